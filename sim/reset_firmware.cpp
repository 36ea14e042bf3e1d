#include "sim/reset_firmware.h"

#include <algorithm>
#include <cstring>

#include "admin.h"
#include "common.h"
#include "sim/list_tag.h"
#include "sim/module.h"
#include "vtx.h"

namespace sim {
namespace {

FwVersion BootVersion(const VtxDrvModuleInfoBlock& info) {
  FwVersion v;
  v.major = static_cast<uint8_t>(info.boot_ver_major);
  v.middle = static_cast<uint8_t>(info.boot_ver_middle);
  v.minor = static_cast<uint8_t>(info.boot_ver_minor);
  v.build = static_cast<uint8_t>(info.boot_ver_build);
  v.auto_num = static_cast<uint16_t>(info.boot_ver_auto_num);
  v.date.assign(info.boot_ver_date, strnlen(info.boot_ver_date, sizeof info.boot_ver_date));
  v.comment.assign(info.boot_ver_comment, strnlen(info.boot_ver_comment, 50));
  return v;
}

FwTag DspList(const DspVersion& dsp) {
  std::vector<FwTag> members = VersionMembers(dsp.version);
  if (!dsp.load_mask.empty()) {
    members.push_back(FwTag::Bytes(ADMIN_DSP_LOAD_MASK_VAR, MILL_TYPE_BYTE, dsp.load_mask));
  }
  return ListTag(ADMIN_DSP_VER_VAR, members);
}

// CHANNEL_RESET: the versions in one CHANNEL_RESET_DONE, or the DSP lists spread over several
// joined by CONTINUATION.
void AnswerChannelReset(const Module& module, FwAnswer& answer) {
  const FirmwareReport& report = module.report;
  const size_t count = report.dsps.size();
  const size_t per_event = report.dsp_lists_per_event > 0 ? report.dsp_lists_per_event : count;
  size_t next = 0;
  do {
    std::vector<FwTag> tags;
    if (next == 0) {
      tags.push_back(ListTag(ADMIN_BOOT_ROM_VER_VAR, VersionMembers(BootVersion(module.info()))));
      tags.push_back(ListTag(ADMIN_CONTROL_PROC_VER_VAR, VersionMembers(report.control_proc)));
    }
    const size_t end = std::min(count, next + per_event);
    for (; next < end; ++next) tags.push_back(DspList(report.dsps[next]));
    if (next < count) tags.push_back(FwTag::Int(COMMON_CONTINUATION_VAR, MILL_TYPE_BYTE, 1));
    tags.push_back(FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, 0));
    FwPacket& packet = answer.Packet().Event(ADMIN_CHANNEL_RESET_DONE_EVENT, std::move(tags));
    packet.delay_ms = report.reset_delay_ms;
  } while (next < count);
}

// FTRL_QUERY: one FTRL_FEATURE_LIST per feature, then one without a feature.
void AnswerFeatureQuery(const Module& module, FwAnswer& answer) {
  const FirmwareReport& report = module.report;
  for (const std::string& feature : report.features) {
    answer.Packet()
        .Event(ADMIN_FTRL_FEATURE_LIST_EVENT, {FwTag::Text(ADMIN_FTRL_FEATURE_VAR, feature)})
        .delay_ms = report.feature_delay_ms;
  }
  answer.Packet().Event(ADMIN_FTRL_FEATURE_LIST_EVENT).delay_ms = report.feature_delay_ms;
}

// GET_CAPABILITIES: the facility's list as the module's description gives it.
void AnswerCapabilities(const Module& module, const FwCommand& cmd, FwAnswer& answer) {
  std::vector<FwTag> tags;
  auto described = module.report.capabilities.find(cmd.facility);
  if (described != module.report.capabilities.end()) {
    if (!described->second.answers) return;
    for (const auto& [id, value] : described->second.tags) {
      tags.push_back(FwTag::Int(id, MILL_TYPE_LONG, value));
    }
  }
  answer.Packet().Event(COMMON_CAPABILITIES_LIST_EVENT, std::move(tags));
}

}  // namespace

std::vector<FwTag> VersionMembers(const FwVersion& v) {
  return {
      FwTag::Int(ADMIN_VER_MAJOR_VAR, MILL_TYPE_BYTE, v.major),
      FwTag::Int(ADMIN_VER_MIDDLE_VAR, MILL_TYPE_BYTE, v.middle),
      FwTag::Int(ADMIN_VER_MINOR_VAR, MILL_TYPE_BYTE, v.minor),
      FwTag::Int(ADMIN_VER_BUILD_VAR, MILL_TYPE_BYTE, v.build),
      FwTag::Int(ADMIN_VER_AUTO_NUM_VAR, MILL_TYPE_SHORT, v.auto_num),
      FwTag::Text(ADMIN_VER_DATE_VAR, v.date),
      FwTag::Text(ADMIN_VER_COMMENT_VAR, v.comment),
  };
}

void InstallResetFirmware(Module& module) {
  const Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, ADMIN_CHANNEL_RESET_REQUEST,
            [m](const FwCommand&, FwAnswer& answer) { AnswerChannelReset(*m, answer); });
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, ADMIN_FTRL_QUERY_REQUEST,
            [m](const FwCommand&, FwAnswer& answer) { AnswerFeatureQuery(*m, answer); });
  table.Set(kAnyFacility, MILL_VERB_REQUEST, COMMON_GET_CAPABILITIES_REQUEST,
            [m](const FwCommand& cmd, FwAnswer& answer) { AnswerCapabilities(*m, cmd, answer); });
}

}  // namespace sim
