#include "callctrl/board/verification.h"

#include <cstring>

#include "callctrl/cc_registry.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kInternalTrace;
using trace::cc::kLevelError;
using trace::cc::kLevelVerbose;

constexpr uint32_t kPortTypeMvip = 0x4;
constexpr uint32_t kPortTypeH1x0 = 0x20;
constexpr uint32_t kLastIpHostCc = 8;  // host_cc entries that get an IP object: 1..8

bool AnyHostCc(const ModuleConfigRecord& record) {
  for (const auto& entry : record.host_cc) {
    if (entry.number_of_channels > 0) return true;
  }
  return false;
}

bool CreateIpObjects(BoardModule& module) {
  uint32_t next_unit = 0;
  for (uint32_t host_cc = 1; host_cc <= kLastIpHostCc; ++host_cc) {
    const HostCcConfig& entry = module.record.host_cc[host_cc - 1];
    if (entry.number_of_channels <= 0) continue;
    auto object = MakeIpObject(module.module_number, host_cc);
    if (object == nullptr) continue;  // the factory said why
    IpInit init;
    init.admin_line = module.admin;
    init.module_number = module.module_number;
    init.slot = module.ip_base + host_cc;
    init.host_module = entry.host_module;
    init.number_of_channels = entry.number_of_channels;
    init.first_unit = next_unit;
    init.ethernet = module.record.ethernet;
    init.module = &module;
    if (!object->Initialise(init)) return false;  // destroyed as it goes
    next_unit += object->ChannelCount();
    module.objects[init.slot] = std::move(object);
    module.ip_cc = true;
  }
  return true;
}

// Port index 0 is the bus interface, which the framework does not drive; a trunk's port_config
// comes from its port record unless its port-type word marks it a bus interface.
bool CreatePortObjects(BoardModule& module) {
  const uint32_t ports = module.port_count < kMaxPorts ? module.port_count : kMaxPorts;
  for (uint32_t index = 1; index < ports; ++index) {
    PortConfigRecord& port = module.record.ports[index - 1];
    const uint32_t type = module.port_types[index];
    if ((type & kPortTypeMvip) != 0) port.port_config = kPortMvip;
    if ((type & kPortTypeH1x0) != 0) port.port_config = kPortH1x0;
    if (port.port_config >= kPortInactive && port.port_config <= kPortH1x0) continue;
    auto object = MakePortObject(port.port_config, type);
    if (object == nullptr) {
      trace::cc::Trace(kInternalTrace, kLevelError, "Port %d invalid, module 0x%X",
                       static_cast<int>(index), module.module_number);
      return false;
    }
    PortInit init;
    init.admin_line = module.admin;
    init.port = &port;
    init.pcm_law = module.record.pcm_law;
    init.module_number = module.module_number;
    init.port_index = index;
    init.channel_count = module.channel_count;
    init.user_preference_file = module.record.user_preference_file;
    init.module = &module;
    if (!object->Initialise(init)) return false;  // destroyed as it goes
    module.port_cc = true;
    module.port_channels[index] = object->ChannelCount();
    module.objects[index] = std::move(object);
  }
  return true;
}

}  // namespace

bool HasEthernet(BoardModule& module) {
  if (module.board_type == kBoardVirtual) return true;
  bool found = false;
  VtxFeatureArgs feature{};
  for (;;) {
    VtxFeatureSetQuery(module.admin, &feature);
    if (feature.status != CV_STATUS_OK || feature.key[0] == '\0') break;
    if (feature.type == VTX_FEATURE_TEXT && strcmp(feature.key, "MACAddr1") == 0) found = true;
  }
  return found;
}

bool VerifyConfiguration(BoardModule& module) {
  if (AnyHostCc(module.record)) {
    if (HasEthernet(module)) {
      if (!CreateIpObjects(module)) return false;
    } else {
      trace::cc::Trace(kInternalTrace, kLevelVerbose,
                       "No ethernet port detected, failed to create host module 0x%X",
                       module.module_number);
    }
  }
  if (!CreatePortObjects(module)) return false;
  trace::cc::Trace(kInternalTrace, kLevelVerbose, "Configuration verified OK, module 0x%X",
                   module.module_number);
  return true;
}

void DestroyObjects(BoardModule& module) {
  for (auto& object : module.objects) object.reset();
}

}  // namespace vtx::callctrl
