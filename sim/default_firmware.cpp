#include "sim/default_firmware.h"

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

// The value a GET reads for one variable: the owner's own, else the module's built-in value.
FwTag ReadVariable(Module& module, const FwCommand& cmd, uint32_t id) {
  auto stored = module.variables().find({cmd.facility, ChannelOf(cmd), id});
  if (stored != module.variables().end()) return stored->second;
  auto built_in = module.built_in_variables().find({cmd.facility, id});
  if (built_in != module.built_in_variables().end()) return built_in->second;
  return FwTag::Int(id, MILL_TYPE_LONG, 0);
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
    std::vector<FwTag> values = m->get_rsp_extra_tags;
    for (const auto& tag : cmd.tags) values.push_back(ReadVariable(*m, cmd, tag.id));
    answer.Packet().Event(COMMON_GET_RSP_EVENT, std::move(values));
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
