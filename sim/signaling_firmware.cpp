// The signalling side of a simulated module's TELE_CTRL facility: monitors of trunk time slots
// (SIG_MON) with SIG_STATE reports, and outgoing states set with SIGNALING. The trunk is looped
// back: a state set on a slot becomes its incoming state.
#include "common.h"
#include "sim/maintenance.h"
#include "sim/module.h"
#include "tele_ctrl.h"
#include "vtx.h"

namespace sim {
namespace {

constexpr uint8_t kFirstUnitKind = 2;  // byte 1 of the address is the unit plus 2

uint32_t TagValue(const FwCommand& cmd, uint32_t id) {
  const FwTag* tag = cmd.Find(id);
  return tag != nullptr ? tag->Value() : 0;
}

SlotKey SlotOf(const FwCommand& cmd) {
  const uint32_t unit = cmd.address[1] >= kFirstUnitKind ? cmd.address[1] - kFirstUnitKind : 0;
  return {unit, TagValue(cmd, TELE_CTRL_STREAM_VAR), TagValue(cmd, TELE_CTRL_TIME_SLOT_VAR)};
}

uint32_t IncomingState(const SignalingState& signaling, const SlotKey& slot) {
  auto found = signaling.incoming.find(slot);
  return found != signaling.incoming.end() ? found->second : 0;
}

void Report(const SlotKey& slot, uint32_t state, FwAnswer& answer) {
  answer.Packet().Event(
      TELE_CTRL_SIG_STATE_EVENT,
      {FwTag::Int(TELE_CTRL_UNIT_VAR, MILL_TYPE_BYTE, std::get<0>(slot)),
       FwTag::Int(TELE_CTRL_STREAM_VAR, MILL_TYPE_BYTE, std::get<1>(slot)),
       FwTag::Int(TELE_CTRL_TIME_SLOT_VAR, MILL_TYPE_BYTE, std::get<2>(slot)),
       FwTag::Int(TELE_CTRL_SIG_STATE_OUT_0_VAR, MILL_TYPE_BYTE | MILL_TYPE_SIGNED, state)});
}

void StartMonitor(SignalingState& signaling, const FwCommand& cmd, FwAnswer& answer) {
  const SlotKey slot = SlotOf(cmd);
  signaling.monitors[slot] = cmd.session;
  answer.Packet().Event(TELE_CTRL_SIG_MON_STARTED_EVENT);
  if (signaling.report_on_start) Report(slot, IncomingState(signaling, slot), answer);
}

void StopMonitor(SignalingState& signaling, const FwCommand& cmd, FwAnswer& answer) {
  signaling.monitors.erase(SlotOf(cmd));
  answer.Packet().Event(TELE_CTRL_SIG_MON_FINISHED_EVENT);
}

void SetState(SignalingState& signaling, const FwCommand& cmd, FwAnswer& answer) {
  SignalingState::Set set;
  set.slot = SlotOf(cmd);
  set.state_0 = static_cast<int8_t>(TagValue(cmd, TELE_CTRL_SIG_STATE_OUT_0_VAR));
  set.duration_0 = TagValue(cmd, TELE_CTRL_SIG_DURATION_OUT_0_VAR);
  set.state_1 = static_cast<int8_t>(TagValue(cmd, TELE_CTRL_SIG_STATE_OUT_1_VAR));
  signaling.sets.push_back(set);
  answer.Packet().Event(TELE_CTRL_SIGNALING_DONE_EVENT,
                        {FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, signaling.set_result)});
  if (signaling.set_result != 0 || !signaling.looped_back) return;
  // With a duration the slot settles on the second state.
  const auto state = static_cast<uint32_t>(set.duration_0 != 0 ? set.state_1 : set.state_0);
  signaling.incoming[set.slot] = state;
  auto monitor = signaling.monitors.find(set.slot);
  if (monitor != signaling.monitors.end() && monitor->second == cmd.session) {
    Report(set.slot, state, answer);
  }
}

}  // namespace

void InstallSignalingFirmware(Module& module) {
  Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_START, TELE_CTRL_SIG_MON_MODE,
            [m](const FwCommand& cmd, FwAnswer& answer) {
              StartMonitor(m->maintenance().signaling, cmd, answer);
            });
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_FINISH, TELE_CTRL_SIG_MON_MODE,
            [m](const FwCommand& cmd, FwAnswer& answer) {
              StopMonitor(m->maintenance().signaling, cmd, answer);
            });
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_SIGNALING_REQUEST,
            [m](const FwCommand& cmd, FwAnswer& answer) {
              SetState(m->maintenance().signaling, cmd, answer);
            });
}

}  // namespace sim
