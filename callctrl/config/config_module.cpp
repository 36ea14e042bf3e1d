// A module section: its sub-sections (clock, ports, ethernet interfaces, host call-control
// channels) in name order, then the module's own keys.
#include <cstdio>
#include <string>

#include "callctrl/config/config_internal.h"

namespace vtx::callctrl {
namespace {

using cfg::cfgConfiguration;

// A numbered sub-section kind of a module section and the texts that refuse its numbers.
struct NumberedSection {
  const char* prefix;  // "port." ...
  uint32_t last;       // the highest number loaded
  const char* zero;    // format: module number, section name
  const char* above;   // format: number, module number, limit, section name
  uint32_t limit;      // the number the "above" text names
};

const NumberedSection kPort = {
    "port.", kMaxPorts,
    "port.0 in module.%x is not configurable. Use the clock_config section.\n  Skipping invalid "
    "[%s] configuration section.",
    "port.%lx in module.%x is not configurable. Port number should be less than %x.\n  Skipping "
    "invalid [%s] configuration section.",
    kMaxPorts};
const NumberedSection kEthernet = {
    "ethernet.", kMaxEthernet,
    "ethernet.0 in module.%x is not configurable.\n  Skipping invalid [%s] configuration section.",
    "ethernet.%lx in module.%x is not configurable. Ethernet port number should be less or equal "
    "to %x.\n  Skipping invalid [%s] configuration section.",
    kMaxEthernet};
const NumberedSection kHostCc = {
    "host_cc.", kMaxHostCc,
    "host_cc.0 in module.%x is not configurable.\n  Skipping invalid [%s] configuration section.",
    "host_cc.%lx in module.%x is not configurable. Host call control number should be less or "
    "equal to %x.\n  Skipping invalid [%s] configuration section.",
    kMaxHostCc};

bool HasPrefix(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() &&
         cfg::compareNames(name.substr(0, prefix.size()), prefix) == 0;
}

// The number of a numbered sub-section when it is loadable, else 0 with its warning given.
uint32_t CheckNumber(CallCtrlConfig* config, const NumberedSection& kind, const std::string& name,
                     uint32_t module, int line) {
  long number = 0;
  if (!SectionNumber(name.c_str(), &number)) {
    ReportConfigMessage(config, cfgConfiguration::kWarning, line,
                        "expected number after '.' in '%s': skipping invalid [%s<id>]",
                        name.c_str(), kind.prefix);
    return 0;
  }
  if (number <= 0) {
    ReportConfigMessage(config, cfgConfiguration::kWarning, line, kind.zero, module, name.c_str());
    return 0;
  }
  if (number > static_cast<long>(kind.last)) {
    ReportConfigMessage(config, cfgConfiguration::kWarning, line, kind.above,
                        static_cast<unsigned long>(number), module, kind.limit, name.c_str());
    return 0;
  }
  return static_cast<uint32_t>(number);
}

const char* PcmLawDefault(const void* record) {
  switch (static_cast<const ModuleConfigRecord*>(record)->ports[0].port_config) {
    case kPortInactive:
    case kPortT1Isdn:
    case kPortT1RobbedBit:
    case kPortAnalog:
      return "mulaw";
    default:
      return "alaw";
  }
}

#define EMERGENCY(n)                                                                               \
  KEY_STR_NAMED(ModuleConfigRecord, "jate_emergency_number" #n, jate_emergency_number[n], nullptr, \
                false)

void LoadModuleKeys(CallCtrlConfig* config, ModuleConfigRecord* module) {
  static const KeySpec kKeys[] = {
      KEY_ENUM(ModuleConfigRecord, set_api, tables::kSetApi, "vtx"),
      KEY_BOOL(ModuleConfigRecord, auto_connect, "true"),
      KEY_STR(ModuleConfigRecord, connections, "", false),
      KEY_ENUM_RULE(ModuleConfigRecord, pcm_law, tables::kPcmLaw, PcmLawDefault),
      KEY_ENUM(ModuleConfigRecord, jate_redial_restriction, tables::kJateRedialRestriction,
               "3in3mins"),
      EMERGENCY(0),
      EMERGENCY(1),
      EMERGENCY(2),
      EMERGENCY(3),
      EMERGENCY(4),
      EMERGENCY(5),
      EMERGENCY(6),
      EMERGENCY(7),
      EMERGENCY(8),
      EMERGENCY(9),
      KEY_INT(ModuleConfigRecord, channels, 0, 253, 0),
      KEY_STR(ModuleConfigRecord, vb_firm, nullptr, false),
  };
  ReadKeys(config, kKeys, module);
}

#undef EMERGENCY

void LoadHostCcKeys(CallCtrlConfig* config, HostCcConfig* host_cc) {
  static const KeySpec kKeys[] = {
      KEY_INT_M(HostCcConfig, host_module, 1, 9, 1),
      KEY_INT_M(HostCcConfig, number_of_channels, 1, 1024, 1),
  };
  ReadKeys(config, kKeys, host_cc);
}

// Loads one sub-section of module.N; true when it was read.
bool LoadSubsection(CallCtrlConfig* config, ModuleConfigRecord* module, const std::string& base,
                    const std::string& name) {
  std::string path = base + name + "/";
  int line = SectionLine(config, path.c_str());
  uint32_t number = module->module_number;
  if (cfg::compareNames(name, "clock_config") == 0) {
    SetReadSection(config, path.c_str());
    LoadClockKeys(config, module);
    return true;
  }
  if (HasPrefix(name, kPort.prefix)) {
    uint32_t port = CheckNumber(config, kPort, name, number, line);
    if (port == 0) return false;
    SetReadSection(config, path.c_str());
    LoadPortKeys(config, module, port);
    return true;
  }
  if (HasPrefix(name, kEthernet.prefix)) {
    uint32_t ethernet = CheckNumber(config, kEthernet, name, number, line);
    if (ethernet == 0) return false;
    SetReadSection(config, path.c_str());
    LoadEthernetKeys(config, module, ethernet);
    return true;
  }
  if (HasPrefix(name, kHostCc.prefix)) {
    uint32_t host_cc = CheckNumber(config, kHostCc, name, number, line);
    if (host_cc == 0) return false;
    SetReadSection(config, path.c_str());
    LoadHostCcKeys(config, &module->host_cc[host_cc - 1]);
    return true;
  }
  return false;  // other sub-sections are not the schema's business
}

}  // namespace

void LoadModuleSection(CallCtrlConfig* config, const char* name, uint32_t number) {
  std::string base = std::string("/") + name + "/";
  ModuleConfigRecord* module = GetModuleRecord(config, number, true);
  if (!module) {
    ReportConfigMessage(config, cfgConfiguration::kError, SectionLine(config, base.c_str()),
                        "(null module %d): A module must exist prior to reading parameters in "
                        "section [%s].\n",
                        static_cast<int>(number), name);
    return;
  }
  cfg::cfgString sub;
  size_t index = 0;
  config->model->setCurrentSection(base.c_str());
  while (config->model->nextSubsection(sub, index)) {
    if (LoadSubsection(config, module, base, std::string(sub.view()))) ++module->subsections_read;
    config->model->setCurrentSection(base.c_str());
  }
  SetReadSection(config, base.c_str());
  LoadModuleKeys(config, module);
}

}  // namespace vtx::callctrl
