// Variables are written with a SET and need no answer; a GET is answered by a GET_RSP event,
// and the firmware may send GET_RSP events for other requests in between, which are skipped.
#include "packet/variables.h"

#include <cstdint>

#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "common.h"
#include "packet/async_frame.h"
#include "packet/line_io.h"
#include "packet/outcome.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr uint32_t kGetRspWait = 1000;  // ms to wait for each GET_RSP

unsigned long Address(const void* pointer) {
  return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(pointer));
}

// A synchronous call while the line has an asynchronous operation pending is refused without a
// return trace.
bool Refused(VtxLine* line, MillArgs* args) {
  if (line == nullptr || InAsync(line) || line->nesting == 0) return false;
  FailLine(line, args, APIERR_ASYNC_LP_ERR, 0);
  return true;
}

// Sends the SET formed from the tags at `tag_list` in a buffer of the call's own.
int SendSet(VtxLine* line, MillArgs* args) {
  args->verb = MILL_VERB_SET;
  args->code = 0;
  uint8_t* const caller_cmd = args->cmd_buf;
  args->cmd_buf = nullptr;
  const int result = FormSendCmd(line, args);
  args->cmd_buf = caller_cmd;
  return result;
}

// Looks through the tags of the GET_RSP current in `event` for `args->tag_id`.
bool TakeTag(MillArgs* event, MillArgs* args) {
  while (MillGetTag(event) == 1) {
    if (event->tag_id != args->tag_id) continue;
    args->tag_len = event->tag_len;
    args->tag_type = event->tag_type;
    args->tag_data_len = event->tag_data_len;
    args->tag_data_ptr = event->tag_data_ptr;
    if ((event->tag_type & MILL_TYPE_BASE_MASK) != MILL_TYPE_LIST) {
      args->var_value = static_cast<uint32_t>(MillGetTagInt(event));
    }
    return true;
  }
  return false;
}

struct SetState {
  uint32_t step;  // 0 first entry, 1 sending
};

int SetSingleSteps(VtxLine* line, MillArgs* args, SetState& state) {
  const char* name = "VtxSetSingleVar";
  if (state.step == 0) {
    trace::CallEntry(
        line, name,
        "facility=0x%X,tag_id=0x%X,tag_type=0x%X,tag_data_len=%u,tag_data_ptr=0x%lX,"
        "var_value=0x%X,prio=%d,incoming_flag=%d,timeout=%u,no_hangup=%d,use_alt_chan=%u",
        args->facility, args->tag_id, args->tag_type, args->tag_data_len,
        Address(args->tag_data_ptr), args->var_value, args->prio, args->incoming_flag,
        args->timeout, args->no_hangup, args->use_alt_chan);
    if (Refused(line, args)) return MILL_SEND_FAILED;
    if (args->tag_data_len == 0) args->tag_data_ptr = MILL_TAG_VALUE(args->var_value);
    state.step = 1;
  }
  // The command is formed before the send can stop: the tag list need not outlive this call.
  const MillTagItem tags[] = {
      {args->tag_id, args->tag_type, args->tag_data_len, args->tag_data_ptr}, {0, 0, 0, nullptr}};
  args->tag_list = tags;
  const int result = SendSet(line, args);
  args->tag_list = nullptr;
  if (Continuing(args)) return result;
  trace::CallReturn(line, name, args, "ret=%d", result);
  return result;
}

int SetVarsSteps(VtxLine* line, MillArgs* args, SetState& state) {
  const char* name = "VtxSetVars";
  if (state.step == 0) {
    trace::CallEntry(line, name, "facility=0x%X,prio=%d,incoming_flag=%d,timeout=%u",
                     args->facility, args->prio, args->incoming_flag, args->timeout);
    if (Refused(line, args)) return MILL_SEND_FAILED;
    if (args->tag_list == nullptr || args->tag_list[0].tag_id == 0) {
      FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
      trace::CallReturn(line, name, args, "ret=%d", MILL_SEND_FAILED);
      return MILL_SEND_FAILED;
    }
    state.step = 1;
  }
  const int result = SendSet(line, args);
  if (Continuing(args)) return result;
  trace::CallReturn(line, name, args, "ret=%d", result);
  return result;
}

// A continued read resumes where it stopped: the GET is sent once, then each GET_RSP is waited
// for and the rest of its packet processed.
struct GetState {
  uint32_t phase;  // 0 first entry, 1 sending the GET, 2 waiting for GET_RSP, 3 processing
  bool found;
};

int GetSteps(VtxLine* line, MillArgs* args, GetState& state) {
  constexpr uint32_t kSending = 1;
  constexpr uint32_t kWaiting = 2;
  constexpr uint32_t kProcessing = 3;
  const char* name = "VtxGetVar";
  if (state.phase == 0) {
    trace::CallEntry(line, name,
                     "facility=0x%X,tag_id=0x%X,pkt_buf=0x%lX,pkt_len=%u,no_hangup=%d,"
                     "use_alt_chan=%u",
                     args->facility, args->tag_id, Address(args->pkt_buf), args->pkt_len,
                     args->no_hangup, args->use_alt_chan);
    if (Refused(line, args)) return 0;
    state.phase = kSending;
  }
  if (state.phase == kSending) {
    MillArgs get{};
    get.facility = args->facility;
    get.verb = MILL_VERB_GET;
    get.use_alt_chan = args->use_alt_chan;
    get.no_hangup = args->no_hangup;
    const MillTagItem ids[] = {{args->tag_id, 0, 0, nullptr}, {0, 0, 0, nullptr}};
    get.tag_list = ids;
    const int sent = FormSendCmd(line, &get);
    if (Continuing(&get) || (sent & MILL_SEND_SENT) == 0) {
      CopyResult(args, get);
      if (!Continuing(args)) trace::CallReturn(line, name, args, nullptr);
      return 0;
    }
    state.phase = kWaiting;
  }
  // On a continue call the nested operation works on its own copy of `event` and gives it back
  // when it finishes, so a fresh record here picks up where the stopped one was.
  MillArgs event{};
  for (;;) {
    if (state.phase == kWaiting) {
      event = MillArgs{};
      event.facility = args->facility;
      event.verb = MILL_VERB_EVENT;
      event.code = COMMON_GET_RSP_EVENT;
      event.timeout = kGetRspWait;
      event.no_drain = 1;
      event.no_hangup = args->no_hangup;
      event.pkt_buf = args->pkt_buf;
      event.pkt_len = args->pkt_len;
      const int waited = WaitCmd(line, &event);
      if (Continuing(&event)) break;
      if (waited != 1) break;
      state.found = TakeTag(&event, args);
      // The rest of the GET_RSP's packet is processed; its end reads as a time-out.
      event.timeout = 0;
      state.phase = kProcessing;
    }
    while (GetNextCmd(line, &event) == 1) {
    }
    if (Continuing(&event)) break;
    state.phase = kWaiting;
    if (event.status != CV_STATUS_OK && event.status != CV_STATUS_TIMEOUT) break;
    if (state.found) {
      trace::CallReturn(
          line, name, args,
          "tag_len=%u,tag_type=0x%X,tag_data_len=%u,tag_data_ptr=0x%lX,var_value=0x%X",
          args->tag_len, args->tag_type, args->tag_data_len, Address(args->tag_data_ptr),
          args->var_value);
      return 0;
    }
  }
  CopyResult(args, event);
  if (!Continuing(args)) trace::CallReturn(line, name, args, nullptr);
  return 0;
}

}  // namespace

int SetSingleVar(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kSetSingleVar, SetSingleSteps, static_cast<int>(MILL_SEND_FAILED));
}

int SetVars(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kSetVars, SetVarsSteps, static_cast<int>(MILL_SEND_FAILED));
}

void GetVar(VtxLine* line, MillArgs* args) {
  RunOp(line, args, OpId::kGetVar, GetSteps, 0);
}

}  // namespace vtx::packet

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxSetSingleVar(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kInputOnly>(vtx::packet::SetSingleVar, line, args);
}

extern "C" int VtxSetVars(VtxLine* line, MillArgs* args, const MillTagItem* tags) {
  args->tag_list = tags;
  return Framed<Family::kPacket, Carry::kInputOnly>(vtx::packet::SetVars, line, args);
}

extern "C" void VtxGetVar(VtxLine* line, MillArgs* args) {
  Framed<Family::kPacket, Carry::kOutput>(vtx::packet::GetVar, line, args);
}
