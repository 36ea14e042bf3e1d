// tarrow disconnect-all MODULE: clears every connection of the module's switch.
#include <cstdio>

#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"

namespace tarrow {
namespace {

constexpr char kUsage[] = "disconnect-all MODULE [--defaults] [--json]";

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const bool json = TakeFlag(args, "--json");
  unsigned module = 0;
  if (!TakeModuleAlone(args, kUsage, module)) return 2;
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  VtxTelephArgs record{};
  const int ret = VtxCallSWClearConns(line, &record);
  const int failed = ReportOutcome(line, ret, record.status, record.line_status);
  CloseTelephLine(line);
  if (failed == 0 && json) PrintJson(Json{{"module", module}, {"cleared", true}});
  return failed;
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow disconnect-all 2\n";

TARROW_COMMAND("disconnect-all", kUsage, "clear every connection of the module's switch", Run,
               kHelp);

}  // namespace tarrow
