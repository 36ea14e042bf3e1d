// tarrow check-prefs FILE: reads a user preference file as the line configuration does and lists
// every line it would refuse or read only in part, with the keyword and why, then checks the
// country parameter file that the preferences name.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "lineconfig/prefs_check.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/file_report.h"

namespace tarrow {
namespace {

int Run(const Args& given) {
  Args args = given;
  const bool json = TakeFlag(args, "--json");
  const bool quiet = TakeFlag(args, "-q") | TakeFlag(args, "--quiet");
  const bool strict = TakeFlag(args, "--strict");
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    fprintf(stderr, "usage: tarrow check-prefs FILE [--json] [-q|--quiet] [--strict]\n");
    return 2;
  }
  FileReport report(args[0]);
  vtx::PrefsCheck check;
  std::string error;
  if (!vtx::CheckPreferenceFile(args[0].c_str(), &check, &error)) {
    report.Add(0, Severity::kError, error.substr(args[0].size() + 2));  // the report names it
  } else {
    vtx::CheckCountryFile(&check);
    for (const vtx::PrefsProblem& p : check.problems) {
      report.Add(p.line, p.error ? Severity::kError : Severity::kWarning, p.text);
    }
  }
  report.Print(json, quiet);
  return report.ExitStatus(strict);
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (docs/json.md)\n"
    "  -q, --quiet        print nothing; the exit status tells\n"
    "  --strict           warnings fail too\n"
    "\n"
    "Example:\n"
    "  tarrow check-prefs cvcall.cfg\n";

TARROW_COMMAND("check-prefs", "check-prefs FILE [--json] [-q|--quiet] [--strict]",
               "check a user preference file and the country parameter file it names", Run, kHelp);

}  // namespace tarrow
