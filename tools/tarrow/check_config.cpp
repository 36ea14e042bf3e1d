// tarrow check-config FILE: reads a call-control configuration file as the framework would, lists
// every problem with its line together with the entries the framework would never read, and with
// --verbose what would start.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "callctrl/config/callctrl_config.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/file_report.h"

namespace tarrow {
namespace {

using vtx::callctrl::CallCtrlConfig;
using vtx::cfg::cfgConfiguration;

// What the reading said, kept until the unused entries are known.
struct Heard {
  int line;
  int kind;
  std::string text;
  bool optional_default;
};

int Collect(int kind, const vtx::cfg::cfgMessage* message) {
  std::string text = message->text;
  if (message->detail) text += std::string(" (") + message->detail + ")";
  static_cast<std::vector<Heard>*>(message->userData)
      ->push_back({message->line, kind, text, message->optionalDefault});
  return 0;
}

const char* PortTypeName(int32_t port_config) {
  static const char* const names[] = {"inactive",      "mvip",    "h1x0",   "t1_isdn",
                                      "t1_robbed_bit", "e1_isdn", "e1_cas", "e1_r2_cas",
                                      "e1_dpnss",      "bri",     "analog"};
  return port_config >= 0 && port_config <= 10 ? names[port_config] : "invalid";
}

std::string KeyValue(const vtx::callctrl::HostModuleKeyValue& key) {
  switch (key.type) {
    case vtx::callctrl::kHostKeyString:
      return "\"" + std::string(key.value.text) + "\"";
    case vtx::callctrl::kHostKeySigned:
      return std::to_string(key.value.signed_value);
    default:
      return std::to_string(key.value.unsigned_value);
  }
}

void Summarise(CallCtrlConfig* config) {
  printf("board modules that would start:\n");
  std::map<std::string, int> ports;
  int started = 0;
  for (int i = 0; i < vtx::callctrl::ModuleRecordCount(config); ++i) {
    const auto* module = vtx::callctrl::ModuleRecordAt(config, i);
    if (module->module_number < 2 || module->module_number > 127) continue;
    ++started;
    printf("  module.%x:", module->module_number);
    for (uint32_t p = 0; p < vtx::callctrl::kMaxPorts; ++p) {
      int32_t type = module->ports[p].port_config;
      if (type == vtx::callctrl::kPortInactive) continue;
      printf(" port.%x=%s", p + 1, PortTypeName(type));
      ++ports[PortTypeName(type)];
    }
    printf("\n");
  }
  if (started == 0) printf("  (none)\n");
  printf("ports by type:");
  for (const auto& [name, count] : ports) printf(" %s %d", name.c_str(), count);
  printf("%s\nhost modules that would start:\n", ports.empty() ? " (none)" : "");
  int hosts = 0;
  for (int i = 0; i < vtx::callctrl::HostModuleRecordCount(config); ++i) {
    const auto* host = vtx::callctrl::HostModuleRecordAt(config, i);
    if (host->number < 1 || host->number > vtx::callctrl::kMaxHostModule || !host->enabled) {
      continue;
    }
    ++hosts;
    printf("  host_module.%x: library %s\n", host->number, host->module_library);
    for (uint32_t k = 0; k < host->key_count; ++k) {
      printf("    %s = %s\n", host->keys[k].name, KeyValue(host->keys[k]).c_str());
    }
  }
  if (hosts == 0) printf("  (none)\n");
}

// Adds what the reading said: errors and warnings always, notes about optional settings left at
// their defaults and information only when asked to be verbose. When the file did not open, what
// the reading said about it is an error.
void AddHeard(FileReport& report, const std::vector<Heard>& heard,
              const std::vector<vtx::callctrl::UnusedEntry>& unused, bool opened, bool verbose) {
  for (const Heard& h : heard) {
    auto replaced = [&h](const vtx::callctrl::UnusedEntry& u) {
      return u.section_header && u.line == h.line;
    };
    if (h.kind == cfgConfiguration::kWarning &&
        std::any_of(unused.begin(), unused.end(), replaced)) {
      continue;
    }
    if (!opened || h.kind == cfgConfiguration::kError) {
      report.Add(h.line, Severity::kError, h.text);
    } else if (h.kind == cfgConfiguration::kWarning && (verbose || !h.optional_default)) {
      report.Add(h.line, Severity::kWarning, h.text);
    } else if (h.kind == cfgConfiguration::kInfo && verbose) {
      report.Add(h.line, Severity::kInfo, h.text);
    }
  }
}

int Run(const Args& given) {
  Args args = given;
  const bool json = TakeFlag(args, "--json");
  const bool quiet = TakeFlag(args, "-q") | TakeFlag(args, "--quiet");
  const bool strict = TakeFlag(args, "--strict");
  const bool verbose = TakeFlag(args, "-v") | TakeFlag(args, "--verbose");
  const bool no_libraries = TakeFlag(args, "--no-libraries");
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    fprintf(stderr,
            "usage: tarrow check-config FILE [--json] [-q|--quiet] [--strict] [--verbose] "
            "[--no-libraries]\n");
    return 2;
  }
  // A host module library runs its start-up code when loaded: only trusted ones are.
  std::vector<Heard> heard;
  CallCtrlConfig* config =
      vtx::callctrl::OpenCallCtrlConfig(args[0].c_str(), false, Collect, &heard,
                                        no_libraries ? vtx::callctrl::LibraryLoading::kNone
                                                     : vtx::callctrl::LibraryLoading::kTrusted);
  std::vector<vtx::callctrl::UnusedEntry> unused;
  if (config) unused = vtx::callctrl::FindUnusedEntries(config);
  FileReport report(args[0]);
  AddHeard(report, heard, unused, config != nullptr, verbose);
  for (const auto& entry : unused) {
    report.Add(entry.line,
               entry.kind == cfgConfiguration::kError ? Severity::kError : Severity::kWarning,
               entry.text);
  }
  report.Print(json, quiet);
  if (config && verbose && !json) Summarise(config);
  vtx::callctrl::CloseCallCtrlConfig(config);
  return report.ExitStatus(strict);
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (docs/json.md)\n"
    "  -q, --quiet        print nothing; the exit status tells\n"
    "  --strict           warnings fail too\n"
    "  -v, --verbose      also notes and the framework's information\n"
    "  --no-libraries     do not load the host module libraries the file names\n"
    "\n"
    "Example:\n"
    "  tarrow check-config callctrl.cfg\n";

TARROW_COMMAND("check-config",
               "check-config FILE [--json] [-q|--quiet] [--strict] [-v|--verbose] [--no-libraries]",
               "check a call-control configuration file: every problem as FILE:LINE", Run, kHelp);

}  // namespace tarrow
