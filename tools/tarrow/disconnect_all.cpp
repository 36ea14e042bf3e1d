// tarrow disconnect-all MODULE: clears every connection of the module's switch.
#include <cstdio>

#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"

namespace tarrow {
namespace {

constexpr char kUsage[] = "disconnect-all MODULE [--defaults]";

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  unsigned module = 0;
  if (!TakeModuleAlone(args, kUsage, module)) return 2;
  VtxLine* line = OpenTelephLine("disconnect-all", module);
  if (line == nullptr) return 1;
  VtxTelephArgs record{};
  const int ret = VtxCallSWClearConns(line, &record);
  const int failed = ReportOutcome("disconnect-all", line, ret, record.status, record.line_status);
  CloseTelephLine(line);
  return failed;
}

}  // namespace

TARROW_COMMAND("disconnect-all", kUsage, "clear every connection of the module's switch", Run);

}  // namespace tarrow
