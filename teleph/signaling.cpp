// Call signalling state: monitoring the incoming signalling bits of a trunk time slot and
// setting its outgoing ones, through the TELE_CTRL facility of the trunk unit.
#include "api/convert.h"
#include "api/frame.h"
#include "api/line.h"
#include "common.h"
#include "packet/event_hooks.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "tele_ctrl.h"
#include "teleph/board_ops.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kFirstReportWait = 1000;  // ms mode 3 waits for the first state report
constexpr uint32_t kSignalingErrorClass = 4;

// A command to the trunk unit's TELE_CTRL: byte 1 of the destination is the unit plus 2.
MillArgs TrunkCommand(const VtxSignalingArgs* args, uint32_t verb, uint32_t code,
                      const MillTagItem* tags) {
  MillArgs send{};
  send.facility = MILL_FACILITY_TELE_CTRL;
  send.verb = verb;
  send.code = code;
  send.incoming_flag = 3;
  send.no_hangup = 1;
  send.timeout = packet::kForever;
  send.use_alt_chan = static_cast<uint32_t>(args->unit + 2);
  send.tag_list = tags;
  return send;
}

// Sends one command naming the time slot and waits for the event `answer` for `timeout` ms;
// with `keep` the answer's packet stays current for its tags. False with the result words set.
bool Exchange(VtxLine* line, VtxSignalingArgs* args, uint32_t verb, uint32_t code,
              const MillTagItem* extra, uint32_t answer, uint32_t timeout,
              MillArgs* kept = nullptr) {
  MillTagItem tags[6] = {
      {TELE_CTRL_STREAM_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->stream)},
      {TELE_CTRL_TIME_SLOT_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->time_slot)},
  };
  size_t count = 2;
  for (; extra != nullptr && extra->tag_id != 0 && count < 5; ++extra) tags[count++] = *extra;
  tags[count] = {0, 0, 0, nullptr};
  MillArgs send = TrunkCommand(args, verb, code, tags);
  if (!SendFormed(line, send, ResultOf(args))) return false;
  MillArgs wait;
  if (WaitEvent(line, &wait, MILL_FACILITY_TELE_CTRL, answer, timeout) != 1) {
    CopyResult(args, wait);
    return false;
  }
  if (kept != nullptr) {
    *kept = wait;
    return true;
  }
  return DrainRest(line, &wait, ResultOf(args));
}

// The signalling state handler: hands a state report to the line's function.
void StateHandler(VtxLine* line, MillArgs* work) {
  if (line->board.sig_state_func == nullptr) return;
  VtxSignalingArgs record{};
  record.unit = static_cast<int32_t>(CommandTagInt(*work, TELE_CTRL_UNIT_VAR));
  record.stream = CommandTagInt(*work, TELE_CTRL_STREAM_VAR);
  record.time_slot = CommandTagInt(*work, TELE_CTRL_TIME_SLOT_VAR);
  record.stateOut_0 = CommandTagInt(*work, TELE_CTRL_SIG_STATE_OUT_0_VAR);
  record.func = line->board.sig_state_func;
  api::CallbackRecord app(api::Family::kSignalling, &record);
  if (app.get() == nullptr) {
    Fail(work, APIERR_VERSION);
    return;
  }
  packet::InCallback(line, [&] {
    line->board.sig_state_func(line, static_cast<VtxSignalingArgs*>(app.get()));
    return 0;
  });
  app.Finish();
}

bool SignalingAllowed(VtxLine* line, VtxSignalingArgs* args) {
  return OperationAllowed(line, args->async_lp, {kCapSignaling[0], kCapSignaling[1]},
                          ResultOf(args));
}

}  // namespace

int CallSignalingStateMonitor(VtxLine* line, VtxSignalingArgs* args) {
  const char* name = "VtxCallSignalingStateMonitor";
  trace::CallEntry(line, name, "unit=%d,stream=%u,time_slot=%u,func=0x%lX,mon_mode=%u", args->unit,
                   args->stream, args->time_slot,
                   static_cast<unsigned long>(reinterpret_cast<uintptr_t>(args->func)),
                   args->mon_mode);
  int ret = -1;
  if (SignalingAllowed(line, args)) {
    line->board.sig_state_func = args->func;
    if (args->func != nullptr) {
      packet::InstallEventHandler(packet::HookedEvent::kSignalingState, StateHandler);
    }
    const uint32_t mode = args->mon_mode;
    const bool start = mode == VTX_SIG_MON_START || mode == VTX_SIG_MON_ONCE;
    const bool stop = mode == VTX_SIG_MON_STOP || mode == VTX_SIG_MON_ONCE;
    bool ok = !start || Exchange(line, args, MILL_VERB_START, TELE_CTRL_SIG_MON_MODE, nullptr,
                                 TELE_CTRL_SIG_MON_STARTED_EVENT, packet::kForever);
    if (ok && mode == VTX_SIG_MON_ONCE) {
      MillArgs report;
      ok = WaitEvent(line, &report, MILL_FACILITY_TELE_CTRL, TELE_CTRL_SIG_STATE_EVENT,
                     kFirstReportWait) == 1;
      if (!ok) CopyResult(args, report);
      ok = ok && DrainRest(line, &report, ResultOf(args));
    }
    ok = ok && (!stop || Exchange(line, args, MILL_VERB_FINISH, TELE_CTRL_SIG_MON_MODE, nullptr,
                                  TELE_CTRL_SIG_MON_FINISHED_EVENT, packet::kForever));
    ret = ok ? 0 : -1;
  }
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

int CallSignalingStateSet(VtxLine* line, VtxSignalingArgs* args) {
  const char* name = "VtxCallSignalingStateSet";
  trace::CallEntry(line, name,
                   "unit=%d,stream=%u,time_slot=%u,stateOut_0=%u,durationOut_0=%u,stateOut_1=%u",
                   args->unit, args->stream, args->time_slot, args->stateOut_0, args->durationOut_0,
                   args->stateOut_1);
  int ret = -1;
  const MillTagItem states[] = {
      {TELE_CTRL_SIG_STATE_OUT_0_VAR, MILL_TYPE_BYTE | MILL_TYPE_SIGNED, 0,
       MILL_TAG_VALUE(args->stateOut_0)},
      {TELE_CTRL_SIG_DURATION_OUT_0_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(args->durationOut_0)},
      {TELE_CTRL_SIG_STATE_OUT_1_VAR, MILL_TYPE_BYTE | MILL_TYPE_SIGNED, 0,
       MILL_TAG_VALUE(args->stateOut_1)},
      {0, 0, 0, nullptr}};
  MillArgs done;
  if (SignalingAllowed(line, args) &&
      Exchange(line, args, MILL_VERB_REQUEST, TELE_CTRL_SIGNALING_REQUEST, states,
               TELE_CTRL_SIGNALING_DONE_EVENT, packet::kForever, &done)) {
    const uint32_t result = CommandTagInt(done, COMMON_RESULT_CODE_VAR);
    if (DrainRest(line, &done, ResultOf(args))) {
      ret = static_cast<int>(result);
      if (result != 0) {
        FirmwareRefused(line, ResultOf(args), kSignalingErrorClass, result,
                        "Signaling state setup error %d.");
      }
    }
  }
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxCallSignalingStateMonitor(VtxLine* line, VtxSignalingArgs* args) {
  return Framed<Family::kSignalling, Carry::kInputOnly>(vtx::teleph::CallSignalingStateMonitor,
                                                        line, args);
}

extern "C" int VtxCallSignalingStateSet(VtxLine* line, VtxSignalingArgs* args) {
  return Framed<Family::kSignalling, Carry::kInputOnly>(vtx::teleph::CallSignalingStateSet, line,
                                                        args);
}
