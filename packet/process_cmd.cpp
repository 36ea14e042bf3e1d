// Processing one received command: firmware error reports, the facility event hooks, alerts,
// the application's command callback, and the pending hangup or alert check at the end.
#include <cstring>

#include "api/frame.h"
#include "api/hangup_check.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "common.h"
#include "hostctrl.h"
#include "packet/async_frame.h"
#include "packet/command_reader.h"
#include "packet/event_hooks.h"
#include "packet/line_io.h"
#include "packet/module_watch.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"
#include "trace/decoder.h"

namespace vtx::packet {
namespace {

constexpr uint32_t kHangupErrorInterrupt = 500;  // HNG_ERROR_INTERRUPT
constexpr int32_t kErrorKeepsState = 264;        // leaves the line state as it is
constexpr int32_t kErrorBugCheck = 255;
constexpr int32_t kErrorNoTransport = 265;

void ErrorReport(VtxLine* line, MillArgs* work) {
  if (line->pending_hangup == 0) line->pending_hangup = kHangupErrorInterrupt;
  line->error_message[0] = '\0';
  line->error_data_len = 0;
  bool has_value = false;
  int32_t value = 0;
  TagReader tags(work->tag_ptr, work->tags_left, false);
  Tag tag;
  while (tags.Next(tag)) {
    if (tag.id == COMMON_ERROR_DATA_VAR) {
      uint32_t n = tag.data_len < sizeof line->error_data ? tag.data_len : sizeof line->error_data;
      memcpy(line->error_data, tag.data, n);
      line->error_data_len = n;
    } else if (tag.id == COMMON_ERROR_MESSAGE_VAR) {
      const uint32_t room = sizeof line->error_message - 1;
      uint32_t n = tag.data_len < room ? tag.data_len : room;
      memcpy(line->error_message, tag.data, n);
      line->error_message[n] = '\0';
    } else if (tag.id == COMMON_ERROR_VALUE_VAR) {
      has_value = true;
      value = tag.Int();
      line->error_interrupt = static_cast<uint32_t>(value);
    }
  }
  if (!has_value || value != kErrorKeepsState) line->line_state = 0;
  if (has_value && value == kErrorBugCheck) {
    // Shown whatever the trace settings are.
    const uint32_t mask = trace::ExchangeMask(trace::kLevelAlways);
    trace::Message(line, trace::kLevelAlways, "BUG CHECK: %s",
                   line->error_message[0] != '\0' ? line->error_message : "(no message)");
    trace::ExchangeMask(mask);
  }
  if (has_value && value == kErrorNoTransport) {
    if (line->pending_hangup == kHangupErrorInterrupt) line->pending_hangup = 0;
    line->error_message[0] = '\0';
    line->error_data_len = 0;
    Fail(work, APIERR_NO_TRANSPORT);
  }
}

enum class AlertOutcome { kStands, kCancelled, kReplaced };

// An ALERT: the command callback may let it stand, cancel it, or replace the command; a
// replacement is processed in its place and its result returned through `result`.
AlertOutcome Alert(VtxLine* line, MillArgs* work, int* result) {
  uint32_t alert = 1;
  Tag tag;
  TagReader tags(work->tag_ptr, work->tags_left, false);
  while (tags.Next(tag)) {
    if (tag.id == HOST_CTRL_ALERT_VALUE_VAR) {
      const int32_t value = tag.Int();
      alert = value != 0 ? static_cast<uint32_t>(value) : 1;
    }
  }
  trace::Message(line, trace::kLevelInfo | trace::kLevelPacket, "Alert occurred (%d).",
                 static_cast<int>(alert));
  if (line->cmd_callback != nullptr) {
    MillArgs copy = *work;
    copy.var_value = alert;
    InCallback(line, [&] { return line->cmd_callback(line, &copy); });
    const bool unchanged = copy.facility == MILL_FACILITY_HOST_CTRL &&
                           copy.verb == MILL_VERB_EVENT && copy.code == HOST_CTRL_ALERT_EVENT &&
                           copy.cmd_buf == work->cmd_buf;
    if (!unchanged) {
      if (copy.facility == 0) {
        trace::Message(line, trace::kLevelInfo | trace::kLevelPacket, "Alert cancelled.");
        return AlertOutcome::kCancelled;
      }
      trace::Message(line, trace::kLevelInfo | trace::kLevelPacket,
                     "Alert modified to incoming cmd.");
      copy.trace_rcv = 1;
      copy.cmd_parsed = copy.cmd_buf == work->cmd_buf ? 1 : 0;
      *result = ProcessCmd(line, &copy);
      CopyResult(work, copy);
      return AlertOutcome::kReplaced;
    }
  }
  line->alert_value = alert;
  line->saved_line_state = line->line_state;
  if (line->pending_hangup == 0) line->pending_hangup = api::kPendingAlert;
  return AlertOutcome::kStands;
}

// "< %s" with the decoded command.
void TraceReceived(const VtxLine* line, const MillArgs* work) {
  char text[16 * 1024];
  bool truncated = false;
  trace::DecodeCommand(text, sizeof text, work->facility, work->cmd_buf, work->cmd_len,
                       trace::kDecodeData, &truncated);
  trace::Message(line, trace::kLevelPacket, "< %s", text);
}

// Processing never waits for the driver, except for the answer to a fax holdup, which is sent
// synchronously also inside an asynchronous operation.
struct ProcessState {
  uint32_t unused;
};

int Process(VtxLine* line, MillArgs* args) {
  MillArgs work = *args;
  if (work.cmd_parsed == 0) {
    if (MillParseCmd(&work) < 0) {
      line->reset_status |= kResetFormParse;
      CopyResult(args, work);
      return 1;
    }
    work.cmd_parsed = 1;
  }
  if (work.verb == MILL_VERB_DATA) {
    if (work.ignore_data != 0) return 0;
    FailLine(line, args, APIERR_DATA, kResetProcessing);
    return 1;
  }
  if (work.trace_rcv != 0) TraceReceived(line, &work);
  bool callback_called = false;
  if (work.verb == MILL_VERB_EVENT) {
    if (work.code == COMMON_ERROR_REPORT_EVENT) ErrorReport(line, &work);
    ApplyEventHooks(line, &work);
    if (work.facility == MILL_FACILITY_HOST_CTRL && work.code == HOST_CTRL_ALERT_EVENT) {
      int replaced = 0;
      switch (Alert(line, &work, &replaced)) {
        case AlertOutcome::kCancelled:
          return 0;
        case AlertOutcome::kReplaced:
          CopyResult(args, work);
          return replaced;
        case AlertOutcome::kStands:
          callback_called = line->cmd_callback != nullptr;
          break;
      }
    }
  }
  if (work.facility == MILL_FACILITY_HOST_CTRL) CheckModulePresence(line, &work);
  if (line->cmd_callback != nullptr && !callback_called) {
    MillArgs copy = work;
    InCallback(line, [&] { return line->cmd_callback(line, &copy); });
  }
  if (work.status != CV_STATUS_OK) {
    const bool parse = work.status == CV_STATUS_ERROR && work.line_status == APIERR_PACKET_PARSE;
    line->reset_status |= parse ? kResetFormParse : kResetProcessing;
    CopyResult(args, work);
    return 1;
  }
  return api::CheckPendingHangup(line, args->no_hangup != 0, args);
}

int ProcessSteps(VtxLine* line, MillArgs* args, ProcessState&) {
  if (line == nullptr) {
    FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
    return 1;
  }
  // What processing calls on the line runs synchronously, whatever context the record names.
  const uint32_t async_lp = args->async_lp;
  args->async_lp = 0;
  const int ret = OutsideFrames(line, false, [&] { return Process(line, args); });
  args->async_lp = async_lp;
  return ret;
}

}  // namespace

int ProcessCmd(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kProcessCmd, ProcessSteps, 1);
}

}  // namespace vtx::packet

extern "C" int MillProcessCmd(VtxLine* line, MillArgs* args) {
  using vtx::api::Carry;
  using vtx::api::Family;
  return vtx::api::Framed<Family::kPacket, Carry::kOutput>(vtx::packet::ProcessCmd, line, args);
}
