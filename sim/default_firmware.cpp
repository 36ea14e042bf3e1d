#include "sim/default_firmware.h"

#include "common.h"
#include "sim/module.h"
#include "sim/network_firmware.h"
#include "sim/switch_firmware.h"
#include "sim/reset_firmware.h"
#include "vtx.h"

namespace sim {

void InstallDefaultFirmware(Module& module) {
  Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(kAnyFacility, MILL_VERB_SET, kAnyCode, [m](const FwCommand& cmd, FwAnswer&) {
    for (const auto& tag : cmd.tags) m->variables()[{cmd.facility, tag.id}] = tag;
  });
  table.Set(kAnyFacility, MILL_VERB_GET, kAnyCode, [m](const FwCommand& cmd, FwAnswer& answer) {
    std::vector<FwTag> values;
    for (const auto& tag : cmd.tags) {
      auto found = m->variables().find({cmd.facility, tag.id});
      values.push_back(found != m->variables().end() ? found->second
                                                     : FwTag::Int(tag.id, MILL_TYPE_LONG, 0));
    }
    answer.Packet().Event(COMMON_GET_RSP_EVENT, std::move(values));
  });
  // ---- Telephony hardware, switch and network ----
  InstallSwitchFirmware(module);
  InstallNetworkFirmware(module);
  // ---- End of telephony hardware, switch and network ----
  // ---- Line reset and feature information ----
  InstallResetFirmware(module);
  // ---- End of line reset and feature information ----
}

}  // namespace sim
