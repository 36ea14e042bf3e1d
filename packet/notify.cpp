// Completion notices: the wait on a notification line for the notice that finishes one of its
// pending lines' requests, and the posting of such a notice by the application.
#include <cstring>

#include "api/async_context.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "hostctrl.h"
#include "os/clock.h"
#include "packet/async_frame.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr uint32_t kNoticeCompleted = 2;
constexpr uint32_t kNoticeTimedOut = 3;

struct Notice {
  const uint8_t* address = nullptr;  // SESSION_ADDRESS, 4 bytes
  bool has_type = false;
  uint32_t type = 0;
  uint32_t instance = 0;
};

Notice ReadNotice(MillArgs* event) {
  Notice notice;
  while (MillGetTag(event) == 1) {
    if (event->tag_id == HOST_CTRL_SESSION_ADDRESS_VAR && event->tag_data_len == 4) {
      notice.address = event->tag_data_ptr;
    } else if (event->tag_id == HOST_CTRL_NOTIFY_TYPE_VAR) {
      notice.has_type = true;
      notice.type = static_cast<uint32_t>(MillGetTagInt(event));
    } else if (event->tag_id == HOST_CTRL_INSTANCE_VALUE_VAR) {
      notice.instance = static_cast<uint32_t>(MillGetTagInt(event));
    }
  }
  return notice;
}

VtxLine* WaitNotify(VtxLine* notify_line, MillArgs* args) {
  const char* name = "MillWaitNotify";
  if (notify_line == nullptr || args->async_lp != 0 || notify_line->nesting != 0) {
    FailLine(notify_line, args, notify_line == nullptr ? APIERR_BADPARAMETER : APIERR_ASYNC_LP_ERR,
             0);
    trace::CallReturn(notify_line, "unknown", args, "ret=%d", 0);
    return nullptr;
  }
  trace::CallEntry(notify_line, name, "timeout=%u", args->timeout);
  const Wait wait(nullptr, args->timeout);
  for (;;) {
    MillArgs event{};
    event.facility = MILL_FACILITY_HOST_CTRL;
    event.verb = MILL_VERB_EVENT;
    event.code = HOST_CTRL_CALLBACK_NOTIFY_EVENT;
    event.timeout = wait.Remaining();
    event.no_drain = 1;
    event.no_hangup = args->no_hangup;
    if (WaitCmd(notify_line, &event) != 1) {
      CopyResult(args, event);
      trace::CallReturn(notify_line, name, args, "ret=%d", 0);
      return nullptr;
    }
    const Notice notice = ReadNotice(&event);
    // The rest of the notice's packet is processed; its end reads as a time-out.
    event.timeout = 0;
    while (GetNextCmd(notify_line, &event) == 1) {
    }
    if (notice.address == nullptr || !notice.has_type) {
      Fail(args, APIERR_INVALID_BOARD_PARAM);
      trace::CallReturn(notify_line, name, args, "ret=%d", 0);
      return nullptr;
    }
    VtxLine* line = api::TakePending(notify_line, notice.address);
    if (line != nullptr) {
      Frame* frame = TopFrame(line);
      if (notice.type == kNoticeTimedOut && frame != nullptr) frame->timed_out = true;
      trace::CallReturn(notify_line, name, args, "ret=0x%lX",
                        static_cast<unsigned long>(reinterpret_cast<uintptr_t>(line)));
      return line;
    }
    const uint8_t* a = notice.address;
    trace::Message(notify_line, trace::kLevelError,
                   "Warning: Notification for unknown addr %02X %02X %02X %02X", a[0], a[1], a[2],
                   a[3]);
    if (wait.Passed()) {
      SetResult(args, CV_STATUS_TIMEOUT, 0);
      trace::CallReturn(notify_line, name, args, "ret=%d", 0);
      return nullptr;
    }
  }
}

int PostNotify(VtxLine* line, MillArgs* args) {
  VtxLine* notify_line = api::LineByHandle(args->async_lp);
  if (line == nullptr || notify_line == nullptr) {
    FailLine(line, args, line == nullptr ? APIERR_BADPARAMETER : APIERR_ASYNC_LP_ERR,
             kResetTransfer);
    return MILL_SEND_FAILED;
  }
  const MillTagItem tags[] = {
      {HOST_CTRL_SESSION_ADDRESS_VAR, MILL_TYPE_BYTE, 4, line->own_addr},
      {HOST_CTRL_INSTANCE_VALUE_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(1)},
      {HOST_CTRL_NOTIFY_TYPE_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(kNoticeCompleted)},
      {0, 0, 0, nullptr}};
  uint8_t command[64];
  MillArgs post{};
  post.cmd_buf = command;
  post.verb = MILL_VERB_EVENT;
  post.code = HOST_CTRL_CALLBACK_NOTIFY_EVENT;
  if (MillFormCmd(&post, tags) < 0) {
    line->reset_status |= kResetFormParse;
    CopyResult(args, post);
    return MILL_SEND_FAILED;
  }
  memcpy(post.dest_addr, notify_line->own_addr, 4);
  const uint8_t src[4] = {MILL_FACILITY_HOST_CTRL, 1, 1, post.dest_addr[3]};
  memcpy(post.src_addr, src, 4);
  post.pkt_flags = MILL_PKT_PRIORITY | MILL_PKT_SRC_FACILITY;
  uint8_t packet[MILL_HEADER_LEN + sizeof command];
  FormPacketAt(&post, packet);
  line->notify_handle = args->async_lp;
  if (!api::AddPending(args->async_lp, line)) {
    FailLine(line, args, APIERR_MEMORY, kResetTransfer);
    return MILL_SEND_FAILED;
  }
  post.timeout = kForever;
  const int result = SendPkt(line, &post);
  if ((result & MILL_SEND_SENT) == 0) {
    api::RemovePending(args->async_lp, line);
    CopyResult(args, post);
  }
  return result;
}

}  // namespace
}  // namespace vtx::packet

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" VtxLine* MillWaitNotify(VtxLine* notify_line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::WaitNotify, notify_line, args);
}

extern "C" int MillPostNotify(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::PostNotify, line, args);
}

extern "C" uint32_t VtxLineAsyncHandle(const VtxLine* line) {
  return line == nullptr ? 0 : line->async_handle;
}
