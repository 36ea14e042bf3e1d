// The clock_config and ethernet.E sections of a module.
#include <cstdio>

#include "callctrl/config/adapter_address.h"
#include "callctrl/config/config_internal.h"

namespace vtx::callctrl {
namespace {

using cfg::cfgConfiguration;

constexpr int32_t kClockMaster = 1;

bool ClockIsMaster(const void* record) {
  return static_cast<const ModuleConfigRecord*>(record)->clock_mode == kClockMaster;
}

void ReadAdapterAddress(CallCtrlConfig* config, EthernetConfig* ethernet) {
  int line = KeyLine(config, "ip_interface");
  char address[32] = {};
  int32_t found = ConvertAdapterNameToIpAddress(ethernet->ip_interface, address, sizeof address);
  if (found < 0) {
    ReportConfigMessage(config, cfgConfiguration::kError, line,
                        "Error reading adapter information\n");
  } else if (found > 0) {
    ReportConfigMessage(config, cfgConfiguration::kWarning, line, "Could not find adapter %s\n",
                        ethernet->ip_interface);
  } else {
    std::snprintf(ethernet->ip_address, sizeof ethernet->ip_address, "%s", address);
    if (!IsValidIpAddress(address)) {
      ReportConfigMessage(config, cfgConfiguration::kWarning, line,
                          "Invalid IP address for adapter %s\n", ethernet->ip_interface);
    }
  }
  ethernet->ip_netmask[0] = '\0';
  ethernet->dhcp = 0;
}

}  // namespace

void LoadClockKeys(CallCtrlConfig* config, ModuleConfigRecord* module) {
  static const KeySpec kMode[] = {
      KEY_ENUM(ModuleConfigRecord, clock_mode, tables::kClockMode, "master"),
      KEY_ENUM(ModuleConfigRecord, clock_compatibility, tables::kClockCompatibility, "none"),
  };
  static const KeySpec kSource[] = {
      KEY_ENUM(ModuleConfigRecord, clock_source, tables::kClockSource, "trunka"),
  };
  static const KeySpec kSec8k[] = {KEY_BOOL(ModuleConfigRecord, sec8k, "false")};
  static const KeySpec kBus[] = {
      KEY_ENUM(ModuleConfigRecord, bus_speed, tables::kBusSpeed, "2"),
  };
  static const KeySpec kSlave[] = {
      KEY_ENUM(ModuleConfigRecord, slave_source, tables::kSlaveSource, "clock_a_nofallback"),
  };
  static const KeySpec kMaster[] = {
      KEY_ENUM(ModuleConfigRecord, master_drive, tables::kMasterDrive, "clock_a"),
      KEY_ENUM(ModuleConfigRecord, master_ref_fallback, tables::kMasterRefFallback, "disabled"),
  };
  ReadKeys(config, kMode, module);
  if (ClockIsMaster(module)) ReadKeys(config, kSource, module);
  std::string sec8k = config->section + "sec8k";
  if (config->model->hasEntry(sec8k.c_str())) {
    module->clock_config_style = kClockStyleSec8k;
    ReadKeys(config, kSec8k, module);
    return;
  }
  module->clock_config_style = kClockStyleBus;
  ReadKeys(config, kBus, module);
  if (ClockIsMaster(module)) {
    ReadKeys(config, kMaster, module);
  } else {
    ReadKeys(config, kSlave, module);
  }
}

void LoadEthernetKeys(CallCtrlConfig* config, ModuleConfigRecord* module, uint32_t number) {
  static const KeySpec kInterface[] = {KEY_STR(EthernetConfig, ip_interface, "", false)};
  static const KeySpec kStatic[] = {
      KEY_ENUM_M(EthernetConfig, dhcp, tables::kBoolean, "disabled"),
      KEY_STR(EthernetConfig, ip_address, nullptr, true),
      KEY_STR(EthernetConfig, ip_netmask, nullptr, true),
  };
  static const KeySpec kRest[] = {
      KEY_STR(EthernetConfig, ip_gateway, "", false),
      KEY_STR(EthernetConfig, ip_broadcast, "", false),
      KEY_INT(EthernetConfig, ip_arp_timeout, 0, 1000000, 10),
      KEY_ENUM(EthernetConfig, ethernet_speed, tables::kEthernetSpeed, "auto"),
      KEY_ENUM(EthernetConfig, ethernet_duplex, tables::kEthernetDuplex, "half"),
      KEY_ENUM(EthernetConfig, ethernet_flow_control, tables::kEthernetFlowControl, "auto"),
      KEY_INT_M(EthernetConfig, media_port_min, 1024, 64535, 56000),
      KEY_INT_M(EthernetConfig, media_port_max, 2024, 65535, 57000),
  };
  EthernetConfig* ethernet = &module->ethernet[number - 1];
  ReadKeys(config, kInterface, ethernet);
  if (ethernet->ip_interface[0] == '\0') {
    ReadKeys(config, kStatic, ethernet);
  } else {
    ReadAdapterAddress(config, ethernet);
  }
  ReadKeys(config, kRest, ethernet);
}

}  // namespace vtx::callctrl
