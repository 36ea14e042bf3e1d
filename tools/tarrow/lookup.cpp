// tarrow lookup: the module number whose name matches a device location text.
#include <cstdio>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"

namespace tarrow {
namespace {

constexpr char kUsage[] = "lookup \"LOCATION\" [--json]";

int Run(const Args& arguments) {
  Args args = arguments;
  const bool json = TakeFlag(args, "--json");
  if (args.size() != 1) {
    fprintf(stderr, "usage: tarrow %s\n", kUsage);
    return 2;
  }
  NoteSimulatedBoard();
  const int module = vtx::tool::LookupModule(args[0].c_str());
  if (module < 0) {
    Error("no module is named \"" + args[0] + "\"");
    return 1;
  }
  if (json) {
    PrintJson(Json{{"location", args[0]}, {"module", module}});
  } else {
    printf("%d\n", module);
  }
  return 0;
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow lookup \"GANTRY PCI bus 3, device 0, function 0\"\n";

TARROW_COMMAND("lookup", kUsage,
               "print the module number whose name matches the location text (exit 1: none)", Run,
               kHelp);

}  // namespace tarrow
