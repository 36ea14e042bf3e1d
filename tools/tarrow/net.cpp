// tarrow net MODULE [UNIT]: an ethernet interface's settings as the module reports them, MAC
// included. Setting options send the new values first (every value is checked before anything
// is sent) and --save keeps the configuration in the module's non-volatile memory.
#include <cstdio>
#include <cstring>
#include <string>

#include "teleph/address_text.h"
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
  fprintf(stderr, "tarrow net: expected %s for %s, got \"%s\"\n", list.c_str(), option,
          text.c_str());
  return false;
}

bool TakeAddress(Args& args, const char* option, uint32_t& set, VtxNetAddr& address) {
  const std::string text = TakeOption(args, option, "");
  if (text.empty()) return true;
  if (!vtx::teleph::ParseDottedQuad(text, address.sin_addr)) {
    fprintf(stderr, "tarrow net: expected A.B.C.D for %s, got \"%s\"\n", option, text.c_str());
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
    if (!ParseNumber(kCommand, "--arp-timeout", timeout, 0xFFFFFFFF, r.ARPTimeout)) return false;
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

void Print(uint32_t unit, const VtxNetworkArgs& r, bool json) {
  using vtx::teleph::DottedQuad;
  const std::string address = DottedQuad(r.localAddr.sin_addr);
  const std::string netmask = DottedQuad(r.localNetmask.sin_addr);
  const std::string gateway = DottedQuad(r.gateway1.sin_addr);
  const std::string speed = CodeText(kSpeeds, r.speed);
  const std::string duplex = CodeText(kDuplexes, r.duplex);
  const std::string flow = CodeText(kFlowControls, r.flowControl);
  if (json) {
    printf(
        "{\"unit\": %u, \"address\": %s, \"netmask\": %s, \"gateway\": %s,\n \"speed\": %s, "
        "\"duplex\": %s, \"flow_control\": %s, \"arp_timeout\": %u, \"mac\": %s}\n",
        unit, JsonString(address).c_str(), JsonString(netmask).c_str(), JsonString(gateway).c_str(),
        JsonString(speed).c_str(), JsonString(duplex).c_str(), JsonString(flow).c_str(),
        r.ARPTimeout, JsonString(MacText(r.MAC)).c_str());
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
int Apply(VtxLine* line, uint32_t unit, VtxNetworkArgs& settings, bool save, bool json) {
  if (AnySetting(settings)) {
    settings.unit = unit;
    const int ret = VtxNetworkConfigSet(line, &settings);
    if (ret != 0) return ReportOutcome(kCommand, line, ret, settings.status, settings.line_status);
  }
  if (save) {
    VtxNetworkArgs record{};
    const int ret = VtxNetworkConfigSave(line, &record);
    if (ret != 0) return ReportOutcome(kCommand, line, ret, record.status, record.line_status);
  }
  VtxNetworkArgs current{};
  current.unit = unit;
  const int ret = VtxNetworkConfigGet(line, &current);
  if (ret < 0) return ReportOutcome(kCommand, line, ret, current.status, current.line_status);
  if (ret == 0) {
    fprintf(stderr, "tarrow net: the module reported no settings of interface %u\n", unit);
    return 1;
  }
  Print(unit, current, json);
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
      (args.size() == 1 && !ParseNumber(kCommand, "UNIT", args[0], 0xFF, unit))) {
    return 2;
  }
  if (args.size() > 1 || unit == 0) {
    fprintf(stderr, "usage: tarrow %s\n  (UNIT counts interfaces from 1)\n", kUsage);
    return 2;
  }
  VtxLine* line = OpenTelephLine(kCommand, module);
  if (line == nullptr) return 1;
  const int status = Apply(line, unit, settings, save, json);
  CloseTelephLine(line);
  return status;
}

}  // namespace

TARROW_COMMAND("net", kUsage,
               "an ethernet interface's settings (UNIT from 1, default 1); options set them", Run);

}  // namespace tarrow
