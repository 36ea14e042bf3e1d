#include "sim/default_firmware.h"

#include <algorithm>

#include "common.h"
#include "sim/call_control_firmware.h"
#include "sim/fax_firmware.h"
#include "sim/maintenance.h"
#include "sim/module.h"
#include "sim/network_firmware.h"
#include "sim/port_message_firmware.h"
#include "sim/reset_firmware.h"
#include "sim/switch_firmware.h"
#include "sim/telephony_control_firmware.h"
#include "sim/tone_firmware.h"
#include "vtx.h"

namespace sim {
namespace {

// The value a GET reads for one variable into `out`: the owner's own, else the module's built-in
// value. Assigned in place, so that an answer reuses the buffers of the one before.
void ReadVariable(Module& module, const FwCommand& cmd, uint32_t id, FwTag& out) {
  auto stored = module.variables().find({cmd.facility, ChannelOf(cmd), id});
  if (stored != module.variables().end()) {
    out = stored->second;
    return;
  }
  auto built_in = module.built_in_variables().find({cmd.facility, id});
  if (built_in != module.built_in_variables().end()) {
    out = built_in->second;
    return;
  }
  out.SetInt(id, MILL_TYPE_LONG, 0);
}

}  // namespace

void InstallDefaultFirmware(Module& module) {
  Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(kAnyFacility, MILL_VERB_SET, kAnyCode, [m](const FwCommand& cmd, FwAnswer&) {
    for (const auto& tag : cmd.tags) m->variables()[{cmd.facility, ChannelOf(cmd), tag.id}] = tag;
  });
  table.Set(kAnyFacility, MILL_VERB_GET, kAnyCode, [m](const FwCommand& cmd, FwAnswer& answer) {
    for (auto& tags : m->get_rsp_before) answer.Packet().Event(COMMON_GET_RSP_EVENT, tags);
    m->get_rsp_before.clear();
    FwReplyCommand& values = answer.Packet().Add(MILL_VERB_EVENT, COMMON_GET_RSP_EVENT);
    const std::vector<FwTag>& extra = m->get_rsp_extra_tags;
    values.tags.resize(extra.size() + cmd.tags.size());
    std::copy(extra.begin(), extra.end(), values.tags.begin());
    for (size_t i = 0; i < cmd.tags.size(); ++i) {
      ReadVariable(*m, cmd, cmd.tags[i].id, values.tags[extra.size() + i]);
    }
  });
  InstallSwitchFirmware(module);
  InstallNetworkFirmware(module);
  InstallTelephonyControlFirmware(module);
  InstallResetFirmware(module);
  InstallFaxFirmware(module);
  InstallCallControlFirmware(module);
  InstallPortMessageFirmware(module);
  InstallDownloadFirmware(module);
  InstallBoardFirmware(module);
  InstallSignalingFirmware(module);
  InstallToneFirmware(module);
}

}  // namespace sim
