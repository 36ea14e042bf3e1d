#include "sim/telephony_control_firmware.h"

#include <algorithm>

#include "admin.h"
#include "common.h"
#include "sig_det.h"
#include "sim/module.h"
#include "tele_ctrl.h"
#include "vtx.h"

namespace sim {
namespace {

constexpr uint32_t kNotHolder = 1;         // a release from a session that does not hold it
constexpr uint32_t kFirstPortChannel = 2;  // port unit U is served on channel U + 2

uint32_t SectionId(const FwCommand& cmd) {
  const FwTag* id = cmd.Find(ADMIN_CRIT_SEC_ID_VAR);
  return id != nullptr ? id->Value() : 0;
}

FwPacket Acquired(uint32_t id, const CriticalSection& section) {
  FwPacket packet;
  packet.Event(
      ADMIN_CRIT_SEC_ACQUIRED_EVENT,
      {FwTag::Int(ADMIN_CRIT_SEC_ID_VAR, MILL_TYPE_BYTE, id), FwTag::ResultCode(section.mark)});
  return packet;
}

// The section is free: the first waiter takes it and gets its late answer.
void GrantNext(uint32_t id, CriticalSection& section, FwAnswer& answer) {
  if (section.waiting.empty()) return;
  FwCommand next = std::move(section.waiting.front());
  section.waiting.pop_front();
  section.taken = true;
  section.holder = next.session;
  answer.late.push_back({std::move(next), Acquired(id, section)});
}

void Acquire(CriticalSections& sections, const FwCommand& cmd, FwAnswer& answer) {
  const uint32_t id = SectionId(cmd);
  CriticalSection& section = sections[id];
  if (section.taken && section.holder != cmd.session) {
    section.waiting.push_back(cmd);
    return;
  }
  section.taken = true;
  section.holder = cmd.session;
  answer.packets.push_back(Acquired(id, section));
}

void Release(CriticalSections& sections, const FwCommand& cmd, FwAnswer& answer) {
  const uint32_t id = SectionId(cmd);
  CriticalSection& section = sections[id];
  uint32_t result = 0;
  if (section.taken && section.holder == cmd.session) {
    const FwTag* mark = cmd.Find(COMMON_RESULT_CODE_VAR);
    section.mark = mark != nullptr ? mark->Value() : 0;
    section.taken = false;
    GrantNext(id, section, answer);
  } else {
    // One that gave up waiting lets go of its place in the queue.
    ForgetWaiter(sections, cmd.session);
    result = kNotHolder;
  }
  answer.Packet().Event(
      ADMIN_CRIT_SEC_RELEASED_EVENT,
      {FwTag::Int(ADMIN_CRIT_SEC_ID_VAR, MILL_TYPE_BYTE, id), FwTag::ResultCode(result)});
}

void Reset(CriticalSections& sections, const FwCommand& cmd, FwAnswer& answer) {
  const uint32_t id = SectionId(cmd);
  CriticalSection& section = sections[id];
  section.taken = false;
  section.holder = 0;
  section.mark = 0;
  GrantNext(id, section, answer);
}

uint32_t ResetResult(const Telephony& t, const FwCommand& cmd) {
  const uint32_t channel = ChannelOf(cmd);
  for (const HardwarePort& port : t.hardware) {
    if (port.unit + kFirstPortChannel == channel) return port.reset_result;
  }
  return 0;
}

}  // namespace

void ForgetWaiter(CriticalSections& sections, uint32_t session) {
  for (auto& [id, section] : sections) {
    auto& waiting = section.waiting;
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [session](const FwCommand& c) { return c.session == session; }),
                  waiting.end());
  }
}

void InstallTelephonyControlFirmware(Module& module) {
  CriticalSections* sections = &module.critical_sections();
  Telephony* t = &module.telephony();
  FirmwareTable& table = module.firmware();
  table.Set(
      MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, ADMIN_CRIT_SEC_ACQUIRE_REQUEST,
      [sections](const FwCommand& cmd, FwAnswer& answer) { Acquire(*sections, cmd, answer); });
  table.Set(
      MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, ADMIN_CRIT_SEC_RELEASE_REQUEST,
      [sections](const FwCommand& cmd, FwAnswer& answer) { Release(*sections, cmd, answer); });
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, ADMIN_CRIT_SEC_RESET_REQUEST,
            [sections](const FwCommand& cmd, FwAnswer& answer) { Reset(*sections, cmd, answer); });
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_RESET_CONTROLLER_REQUEST,
            [t](const FwCommand& cmd, FwAnswer& answer) {
              answer.Packet().Event(TELE_CTRL_CONTROLLER_RESET_DONE_EVENT,
                                    {FwTag::ResultCode(ResetResult(*t, cmd))});
            });
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_PARAMS_SAVE_REQUEST,
            [t](const FwCommand&, FwAnswer& answer) {
              answer.Packet().Event(TELE_CTRL_PARAMS_SAVED_EVENT,
                                    {FwTag::ResultCode(t->params_save_result)});
            });
  table.Set(MILL_FACILITY_SIG_DET, MILL_VERB_START, SIG_DET_LOAD_PCPM_TABLE_MODE,
            [t](const FwCommand& cmd, FwAnswer& answer) {
              if (t->pcpm_load_result == 0) {
                t->pcpm_table.clear();
                for (const FwTag& tone : cmd.tags) t->pcpm_table.push_back(tone.data);
              }
              answer.Packet().Event(SIG_DET_PCPM_TABLE_LOADED_EVENT,
                                    {FwTag::ResultCode(t->pcpm_load_result)});
            });
}

}  // namespace sim
