#include "packet/async_frame.h"

#include <cstring>

#include "api/async_context.h"
#include "api/driver_access.h"
#include "api/reset_status.h"
#include "packet/line_io.h"

namespace vtx::packet {
namespace {

constexpr size_t kAlign = alignof(std::max_align_t);

constexpr size_t Aligned(size_t size) {
  return (size + kAlign - 1) / kAlign * kAlign;
}

Frame* FrameAt(VtxLine* line, uint32_t index) {
  auto* block = static_cast<uint8_t*>(line->aux_buffer);
  uint32_t offset = 0;
  for (uint32_t i = 0; i < index; ++i) offset = reinterpret_cast<Frame*>(block + offset)->next;
  return reinterpret_cast<Frame*>(block + offset);
}

Frame* Refuse(VtxLine* line, VtxResult* caller, uint32_t line_status, uint32_t flag) {
  FailLine(line, reinterpret_cast<MillArgs*>(caller), line_status, flag);
  return nullptr;
}

}  // namespace

Frame* TopFrame(VtxLine* line) {
  if (line->nesting == 0 || line->aux_buffer == nullptr) return nullptr;
  return FrameAt(line, line->nesting - 1);
}

bool TakeTimedOut(VtxLine* line) {
  auto* frame = static_cast<Frame*>(line->current_frame);
  if (frame == nullptr || !frame->timed_out) return false;
  frame->timed_out = false;
  return true;
}

namespace frame_detail {

Frame* Enter(VtxLine* line, VtxResult* caller, uint32_t async_lp, size_t record_size, OpId id,
             size_t state_size, bool* fresh) {
  if (line->in_callback) return Refuse(line, caller, APIERR_ASYNC_LP_ERR, 0);
  const uint32_t depth = line->async_depth;
  if (depth < line->nesting) {
    if (depth == 0 && async_lp != kAsyncContinue) {
      return Refuse(line, caller, APIERR_ASYNC_LP_ERR, kResetTransfer);
    }
    Frame* frame = FrameAt(line, depth);
    if (frame->identity != id)
      return Refuse(line, caller, APIERR_ASYNC_CONTEXT_ERR, kResetTransfer);
    // The operation goes on from where it stopped: no longer continuing.
    auto* work = static_cast<VtxResult*>(frame->args);
    if (work->status == CV_STATUS_CONTINUING) SetResult(work, CV_STATUS_OK, 0);
    *fresh = false;
    return frame;
  }
  bool shared = false;
  if (depth == 0) {
    // A new operation: its notification line must be an attached line.
    if (async_lp == kAsyncContinue || api::LineByHandle(async_lp) == nullptr) {
      return Refuse(line, caller, APIERR_ASYNC_LP_ERR, kResetTransfer);
    }
    line->notify_handle = async_lp;
  } else {
    shared = caller == static_cast<Frame*>(line->current_frame)->args;
  }
  uint8_t* block = api::FrameBlock(line);
  const size_t state_at = Aligned(sizeof(Frame));
  const size_t args_at = state_at + Aligned(state_size);
  const size_t size = args_at + (shared ? 0 : Aligned(record_size));
  if (block == nullptr || line->stack_top + size > api::kFrameBlockSize) {
    return Refuse(line, caller, APIERR_MEMORY, kResetTransfer);
  }
  uint8_t* at = block + line->stack_top;
  auto* frame = new (at) Frame{};
  frame->identity = id;
  frame->shared = shared;
  frame->state = at + state_at;
  if (shared) {
    frame->args = caller;
  } else {
    frame->args = at + args_at;
    memcpy(frame->args, caller, record_size);
    SetResult(caller, CV_STATUS_OK, 0);
  }
  line->stack_top += static_cast<uint32_t>(size);
  frame->next = line->stack_top;
  ++line->nesting;
  *fresh = true;
  return frame;
}

void Leave(VtxLine* line, Frame* frame, void* caller, size_t record_size) {
  auto* work = static_cast<VtxResult*>(frame->args);
  if (frame->shared) {
    if (work->status == CV_STATUS_CONTINUING) return;
  } else if (work->status == CV_STATUS_CONTINUING) {
    CopyResult(static_cast<VtxResult*>(caller), *work);
    return;
  } else {
    memcpy(caller, frame->args, record_size);
  }
  line->stack_top = static_cast<uint32_t>(reinterpret_cast<uint8_t*>(frame) -
                                          static_cast<uint8_t*>(line->aux_buffer));
  --line->nesting;
  if (line->nesting == 0) line->notify_handle = 0;
}

}  // namespace frame_detail

Issued IssueMessage(VtxLine* line, MillArgs* args, bool send, VtxDrvMsgBlock* block) {
  const bool async = InAsync(line);
  uint32_t subcommand = send ? VTX_DRV_MSG_SEND : VTX_DRV_MSG_RECEIVE;
  const char* name = send ? "MSG_SEND" : "MSG_RECEIVE";
  if (async) {
    subcommand = send ? VTX_DRV_MSG_SEND_ASYNC : VTX_DRV_MSG_RECEIVE_ASYNC;
    if (!send) name = "MSG_RECEIVE_ASYNC";
    VtxLine* notify_line = api::LineByHandle(line->notify_handle);
    // Registered before the request: the notice may arrive before the driver's answer does.
    if (notify_line == nullptr || !api::AddPending(line->notify_handle, line)) {
      FailLine(line, args, APIERR_MEMORY, kResetTransfer);
      return Issued::kFailed;
    }
    memcpy(&block->notify_address, notify_line->own_addr, 4);
  }
  const bool issued = DriverRequest(line, -1, subcommand, block, name);
  if (async && (!issued || block->drv_status != GDI_STS_PENDING)) {
    api::RemovePending(line->notify_handle, line);
  }
  if (!issued) {
    SystemFailure(line, args);
    return Issued::kFailed;
  }
  if (async && block->drv_status == GDI_STS_PENDING) {
    SetResult(args, CV_STATUS_CONTINUING, 0);
    return Issued::kQueued;
  }
  return Issued::kDone;
}

}  // namespace vtx::packet
