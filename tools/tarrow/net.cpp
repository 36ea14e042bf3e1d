// tarrow net MODULE [UNIT]: an ethernet interface's settings as the module reports them, MAC
// included. Setting options send the new values first (every value is checked before anything
// is sent) and --save keeps the configuration in the module's non-volatile memory.
#include <cstdio>
#include <cstring>
#include <string>

#include "teleph/address_text.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"

namespace tarrow {
namespace {

constexpr char kUsage[] =
    "net MODULE [UNIT] [--json] [--address A.B.C.D] [--netmask A.B.C.D] [--gateway A.B.C.D] "
    "[--speed auto|10|100] [--duplex half|full] "
    "[--flow-control auto|receive_only|transmit_only|both] [--arp-timeout MS] [--arp-flush] "
    "[--save] [--defaults]";
constexpr char kCommand[] = "net";

struct CodeName {
  const char* name;
  uint32_t code;
};
const CodeName kSpeeds[] = {{"auto", 0}, {"10", 1}, {"100", 2}};
const CodeName kDuplexes[] = {{"half", 1}, {"full", 2}};
const CodeName kFlowControls[] = {
    {"auto", 0}, {"receive_only", 1}, {"transmit_only", 2}, {"both", 3}};

template <size_t N>
std::string CodeText(const CodeName (&names)[N], uint32_t code) {
  for (const CodeName& n : names) {
    if (n.code == code) return n.name;
  }
  return std::to_string(code);
}

// The value of `option` by its name; raises `set` when the option is given.
template <size_t N>
bool TakeCode(Args& args, const char* option, const CodeName (&names)[N], uint32_t& set,
              uint32_t& code) {
  const std::string text = TakeOption(args, option, "");
  if (text.empty()) return true;
  std::string list;
  for (const CodeName& n : names) {
    if (text == n.name) {
      set = 1;
      code = n.code;
      return true;
    }
    list += std::string(list.empty() ? "" : ", ") + n.name;
  }
  Error("expected " + list + " for " + option + ", got \"" + text + "\"");
  return false;
}

// A netmask is ones from the top, then zeros.
bool Contiguous(const uint8_t mask[4]) {
  const uint32_t bits = (static_cast<uint32_t>(mask[0]) << 24) | (mask[1] << 16) | (mask[2] << 8) |
                        static_cast<uint32_t>(mask[3]);
  const uint32_t zeros = ~bits;
  return (zeros & (zeros + 1)) == 0;
}

bool TakeAddress(Args& args, const char* option, uint32_t& set, VtxNetAddr& address) {
  const std::string text = TakeOption(args, option, "");
  if (text.empty()) return true;
  const bool netmask = strcmp(option, "--netmask") == 0;
  if (!vtx::teleph::ParseDottedQuad(text, address.sin_addr) ||
      (netmask && !Contiguous(address.sin_addr))) {
    Error(std::string("expected ") + (netmask ? "a contiguous netmask A.B.C.D" : "A.B.C.D") +
          " for " + option + ", got \"" + text + "\"");
    return false;
  }
  address.sin_fam = kFamilyInet;
  set = 1;
  return true;
}

// The setting options into `r`; false after a message when one is wrong.
bool TakeSettings(Args& args, VtxNetworkArgs& r) {
  const std::string timeout = TakeOption(args, "--arp-timeout", "");
  r.ARPflush = TakeFlag(args, "--arp-flush") ? 1 : 0;
  if (!timeout.empty()) {
    if (!ParseNumber("--arp-timeout", timeout, 0xFFFFFFFF, r.ARPTimeout)) return false;
    r.set_ARPTimeout = 1;
  }
  return TakeAddress(args, "--address", r.set_localAddr, r.localAddr) &&
         TakeAddress(args, "--netmask", r.set_localNetmask, r.localNetmask) &&
         TakeAddress(args, "--gateway", r.set_gateway1, r.gateway1) &&
         TakeCode(args, "--speed", kSpeeds, r.set_speed, r.speed) &&
         TakeCode(args, "--duplex", kDuplexes, r.set_duplex, r.duplex) &&
         TakeCode(args, "--flow-control", kFlowControls, r.set_flowControl, r.flowControl);
}

bool AnySetting(const VtxNetworkArgs& r) {
  return r.ARPflush || r.set_localAddr || r.set_localNetmask || r.set_gateway1 || r.set_speed ||
         r.set_duplex || r.set_flowControl || r.set_ARPTimeout;
}

std::string MacText(const uint8_t mac[6]) {
  char text[18];
  snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
           mac[4], mac[5]);
  return text;
}

void Print(unsigned module, uint32_t unit, const VtxNetworkArgs& r, bool json) {
  using vtx::teleph::DottedQuad;
  const std::string address = DottedQuad(r.localAddr.sin_addr);
  const std::string netmask = DottedQuad(r.localNetmask.sin_addr);
  const std::string gateway = DottedQuad(r.gateway1.sin_addr);
  const std::string speed = CodeText(kSpeeds, r.speed);
  const std::string duplex = CodeText(kDuplexes, r.duplex);
  const std::string flow = CodeText(kFlowControls, r.flowControl);
  if (json) {
    PrintJson(Json{{"module", module},
                   {"unit", unit},
                   {"address", address},
                   {"netmask", netmask},
                   {"gateway", gateway},
                   {"speed", speed},
                   {"duplex", duplex},
                   {"flow_control", flow},
                   {"arp_timeout", r.ARPTimeout},
                   {"mac", MacText(r.MAC)}});
    return;
  }
  printf(
      "unit          %u\naddress       %s\nnetmask       %s\ngateway       %s\n"
      "speed         %s\nduplex        %s\nflow control  %s\nARP timeout   %u ms\n"
      "MAC           %s\n",
      unit, address.c_str(), netmask.c_str(), gateway.c_str(), speed.c_str(), duplex.c_str(),
      flow.c_str(), r.ARPTimeout, MacText(r.MAC).c_str());
}

// Sends the settings, saves, then reads the interface back; the exit status.
int Apply(VtxLine* line, unsigned module, uint32_t unit, VtxNetworkArgs& settings, bool save,
          bool json) {
  if (AnySetting(settings)) {
    settings.unit = unit;
    const int ret = VtxNetworkConfigSet(line, &settings);
    if (ret != 0) return ReportOutcome(line, ret, settings.status, settings.line_status);
  }
  if (save) {
    VtxNetworkArgs record{};
    const int ret = VtxNetworkConfigSave(line, &record);
    if (ret != 0) return ReportOutcome(line, ret, record.status, record.line_status);
  }
  VtxNetworkArgs current{};
  current.unit = unit;
  const int ret = VtxNetworkConfigGet(line, &current);
  if (ret < 0) return ReportOutcome(line, ret, current.status, current.line_status);
  if (ret == 0) {
    Error("module " + std::to_string(module) + ": no settings of interface " +
          std::to_string(unit));
    return 1;
  }
  Print(module, unit, current, json);
  return 0;
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const bool json = TakeFlag(args, "--json");
  const bool save = TakeFlag(args, "--save");
  VtxNetworkArgs settings{};
  unsigned module = 0;
  uint32_t unit = 1;
  if (!TakeSettings(args, settings) || !TakeModule(args, kUsage, module) ||
      (args.size() == 1 && !ParseNumber("UNIT", args[0], 0xFF, unit))) {
    return 2;
  }
  if (args.size() > 1 || unit == 0) {
    fprintf(stderr, "usage: tarrow %s\n  (UNIT counts interfaces from 1)\n", kUsage);
    return 2;
  }
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  const int status = Apply(line, module, unit, settings, save, json);
  CloseTelephLine(line);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (docs/json.md)\n"
    "  --address A.B.C.D  set the interface's address\n"
    "  --netmask A.B.C.D  set its netmask (contiguous ones, then zeros)\n"
    "  --gateway A.B.C.D  set its gateway\n"
    "  --speed auto|10|100                                set the speed\n"
    "  --duplex half|full                                 set the duplex mode\n"
    "  --flow-control auto|receive_only|transmit_only|both set the flow control\n"
    "  --arp-timeout MS   set the ARP timeout\n"
    "  --arp-flush        flush the ARP table\n"
    "  --save             keep the configuration in the module's non-volatile memory\n"
    "\n"
    "Example:\n"
    "  tarrow net 2 1 --address 192.0.2.10 --netmask 255.255.255.0 --save\n";

TARROW_COMMAND("net", kUsage,
               "an ethernet interface's settings (UNIT from 1, default 1); options set them", Run,
               kHelp);

}  // namespace tarrow
