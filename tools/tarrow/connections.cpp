// tarrow connections MODULE [--json]: the connections that the module's switch holds, each with
// its mode and both sides; IP sides with their UDPTL or RTP and RTCP addresses.
#include <cstdio>
#include <vector>

#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/switch_side.h"
#include "tools/tarrow/teleph_tool.h"

namespace tarrow {
namespace {

constexpr char kUsage[] = "connections MODULE [--json] [--defaults]";

void PrintText(const std::vector<VtxTelephArgs>& connections) {
  if (connections.empty()) printf("no connections\n");
  for (size_t i = 0; i < connections.size(); ++i) {
    const VtxTelephArgs& c = connections[i];
    printf("%zu: mode 0x%X: %s -> %s\n", i + 1, c.conn_mode, SideText(SourceSide(c)).c_str(),
           SideText(DestinationSide(c)).c_str());
  }
}

Json ConnectionsJson(const std::vector<VtxTelephArgs>& connections) {
  Json list = Json::array();
  for (size_t i = 0; i < connections.size(); ++i) {
    const VtxTelephArgs& c = connections[i];
    list.push_back(Json{{"number", i + 1},
                        {"mode", c.conn_mode},
                        {"source", SideJson(SourceSide(c))},
                        {"destination", SideJson(DestinationSide(c))}});
  }
  return list;
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const bool json = TakeFlag(args, "--json");
  unsigned module = 0;
  if (!TakeModuleAlone(args, kUsage, module)) return 2;
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  std::vector<VtxTelephArgs> connections;
  VtxTelephArgs record{};
  int ret;
  while ((ret = VtxCallSWGetConns(line, &record)) == 1) connections.push_back(record);
  // A module without call switching has no connections to show.
  const bool has_switch = !(ret < 0 && LacksCapability(record.status, record.line_status));
  const int failed = has_switch ? ReportOutcome(line, ret, record.status, record.line_status) : 0;
  CloseTelephLine(line);
  if (failed != 0) return failed;
  if (json) {
    PrintJson(Json{{"module", module},
                   {"connections", has_switch ? ConnectionsJson(connections) : Json()}});
  } else if (!has_switch) {
    printf("no call switching on the module\n");
  } else {
    PrintText(connections);
  }
  return 0;
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow connections 2 --json\n";

TARROW_COMMAND("connections", kUsage,
               "the connections of the module's switch, IP sides with their addresses", Run, kHelp);

}  // namespace tarrow
