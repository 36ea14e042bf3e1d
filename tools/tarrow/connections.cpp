// tarrow connections MODULE [--json]: the connections that the module's switch holds, each with
// its mode and both sides; IP sides with their UDPTL or RTP and RTCP addresses.
#include <cstdio>
#include <vector>

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

void PrintJson(const std::vector<VtxTelephArgs>& connections) {
  printf("[");
  for (size_t i = 0; i < connections.size(); ++i) {
    const VtxTelephArgs& c = connections[i];
    printf("%s\n  {\"number\": %zu, \"mode\": %u,\n   \"source\": %s,\n   \"destination\": %s}",
           i == 0 ? "" : ",", i + 1, c.conn_mode, SideJson(SourceSide(c)).c_str(),
           SideJson(DestinationSide(c)).c_str());
  }
  printf("\n]\n");
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const bool json = TakeFlag(args, "--json");
  unsigned module = 0;
  if (!TakeModuleAlone(args, kUsage, module)) return 2;
  VtxLine* line = OpenTelephLine("connections", module);
  if (line == nullptr) return 1;
  std::vector<VtxTelephArgs> connections;
  VtxTelephArgs record{};
  int ret;
  while ((ret = VtxCallSWGetConns(line, &record)) == 1) connections.push_back(record);
  const int failed = ReportOutcome("connections", line, ret, record.status, record.line_status);
  CloseTelephLine(line);
  if (failed != 0) return failed;
  if (json) {
    PrintJson(connections);
  } else {
    PrintText(connections);
  }
  return 0;
}

}  // namespace

TARROW_COMMAND("connections", kUsage,
               "the connections of the module's switch, IP sides with their addresses", Run);

}  // namespace tarrow
