// tarrow ports MODULE [--json]: the module's telephony hardware ports with their port types, then
// the ports of its time-slot switch.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"

namespace tarrow {
namespace {

constexpr char kUsage[] = "ports MODULE [--json] [--defaults]";

// The port-type bits that have names; other bits show as numbers.
struct PortTypeName {
  uint32_t bit;
  const char* name;
};
const PortTypeName kPortTypeNames[] = {
    {0x4, "mvip"},      {0x20, "h1x0"},     {0x40, "t1_robbed_bit"}, {0x80, "e1_cas"},
    {0x100, "t1_isdn"}, {0x200, "e1_isdn"}, {0x1000, "inactive"},    {0x8000, "h1x0_mvip_clock"},
};

std::vector<std::string> PortTypeNames(uint32_t word) {
  std::vector<std::string> names;
  for (uint32_t bit = 1; bit != 0; bit <<= 1) {
    if ((word & bit) == 0) continue;
    std::string name;
    for (const PortTypeName& known : kPortTypeNames) {
      if (known.bit == bit) name = known.name;
    }
    if (name.empty()) {
      char number[16];
      snprintf(number, sizeof number, "0x%X", bit);
      name = number;
    }
    names.push_back(name);
  }
  return names;
}

struct Ports {
  std::vector<VtxTelephArgs> hardware, switching;
  bool has_switch = true;
};

// Walks a port list to its end; the failure's outcome when it ends in one. A module without
// call switching refuses the switch walk for the capability: it has no switch ports to show.
int Walk(VtxLine* line, int (*next)(VtxLine*, VtxTelephArgs*), std::vector<VtxTelephArgs>& out,
         bool* has_switch) {
  VtxTelephArgs args{};
  int ret;
  while ((ret = next(line, &args)) == 1) out.push_back(args);
  if (has_switch != nullptr && ret < 0 && LacksCapability(args.status, args.line_status)) {
    *has_switch = false;
    return 0;
  }
  return ReportOutcome(line, ret, args.status, args.line_status);
}

void PrintText(const Ports& ports) {
  printf("HARDWARE PORTS\n%-5s %-10s %s\n", "UNIT", "TYPE", "NAMES");
  for (const VtxTelephArgs& p : ports.hardware) {
    std::string names;
    for (const std::string& name : PortTypeNames(p.port_type)) {
      names += (names.empty() ? "" : " ") + name;
    }
    printf("%-5u 0x%08X %s\n", p.src_port_unit, p.port_type, names.c_str());
  }
  if (!ports.has_switch) {
    printf("\nno call switching on the module\n");
    return;
  }
  printf("\nSWITCH PORTS\n%-5s %-5s %-6s %-5s %s\n", "CLASS", "UNIT", "STREAM", "SLOT", "TYPE");
  for (const VtxTelephArgs& p : ports.switching) {
    printf("%-5u %-5u %-6u %-5u 0x%08X\n", p.src_port_class, p.src_port_unit, p.src_stream,
           p.src_slot, p.port_type);
  }
}

void PrintPortsJson(unsigned module, const Ports& ports) {
  Json hardware = Json::array();
  for (const VtxTelephArgs& p : ports.hardware) {
    hardware.push_back(Json{{"unit", p.src_port_unit},
                            {"port_type", p.port_type},
                            {"names", PortTypeNames(p.port_type)}});
  }
  Json switching = Json::array();
  for (const VtxTelephArgs& p : ports.switching) {
    switching.push_back(Json{{"class", p.src_port_class},
                             {"unit", p.src_port_unit},
                             {"stream", p.src_stream},
                             {"slot", p.src_slot},
                             {"port_type", p.port_type}});
  }
  PrintJson(Json{{"module", module},
                 {"hardware", hardware},
                 {"switch", ports.has_switch ? switching : Json()}});
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const bool json = TakeFlag(args, "--json");
  unsigned module = 0;
  if (!TakeModuleAlone(args, kUsage, module)) return 2;
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  Ports ports;
  int failed = Walk(line, VtxTelephGetInfo, ports.hardware, nullptr);
  if (failed == 0) failed = Walk(line, VtxCallSWGetInfo, ports.switching, &ports.has_switch);
  CloseTelephLine(line);
  if (failed != 0) return failed;
  if (json) {
    PrintPortsJson(module, ports);
  } else {
    PrintText(ports);
  }
  return 0;
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow ports 2\n";

TARROW_COMMAND("ports", kUsage,
               "the module's telephony hardware ports and port types, then its switch ports", Run,
               kHelp);

}  // namespace tarrow
