// The per-line frame stack of asynchronous operations. An operation started with a notification
// line in `async_lp` returns `status` 9 whenever its driver request is queued; its position stays
// in a frame on the line's stack, and a call with `async_lp` 0xFFFFFFFF continues it where it
// stopped. Nested operations keep frames of their own above it, so a continue call walks down the
// same nesting and each operation resumes at its own step.
//
// An operation is written once, as steps over a state record:
//
//   struct ReceiveState { uint32_t step; Wait wait; };
//   int ReceiveSteps(VtxLine* line, MillArgs* args, ReceiveState& state);
//   int ReceivePkt(VtxLine* line, MillArgs* args) {
//     return RunOp(line, args, OpId::kReceivePkt, ReceiveSteps, 2);
//   }
//
// Synchronously the state lives on the caller's stack; asynchronously in the frame, cleared when
// the frame is pushed, and the record is the frame's copy of the caller's (or, for a nested call
// with the enclosing operation's own record, that record itself).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

#include "api/line.h"
#include "api/result.h"
#include "vtx.h"

namespace vtx::packet {

// One identity per operation: a frame continued by another operation is refused.
enum class OpId : uint32_t {
  kSendPkt = 1,
  kTransmitPkt,
  kSendCmd,
  kFormSendCmd,
  kReceivePkt,
  kGetNextCmd,
  kWaitCmd,
  kProcessCmd,
  kRcvProcessPkt,
  kSetSingleVar,
  kSetVars,
  kGetVar,
  kToneDetectEnable,
  kToneDetectDisable,
  kToneGet,
  kTonePeek,
  kToneFlush,
  kTonePlay,
};

struct Frame {
  uint32_t next;  // offset of the stack top after this frame
  OpId identity;
  void* args;      // the record the operation works on
  void* state;     // its state area
  bool shared;     // args is the enclosing operation's record
  bool timed_out;  // a notice said the driver request timed out
};

// True while the steps of an asynchronous operation run on the line.
inline bool InAsync(const VtxLine* line) {
  return line != nullptr && line->async_depth != 0;
}

// The frame at the top of the line's stack (the one whose request is queued), or null.
Frame* TopFrame(VtxLine* line);

// Takes the timed-out mark of the running frame.
bool TakeTimedOut(VtxLine* line);

namespace frame_detail {

// Frame entry: re-entry checks, or a new frame pushed with `state_size` bytes of state and the
// copy of `caller` unless it is shared. Null with the refusal in the caller's result words.
Frame* Enter(VtxLine* line, VtxResult* caller, uint32_t async_lp, size_t record_size, OpId id,
             size_t state_size, bool* fresh);
// The end of a run: a continuing operation keeps its frame (the caller sees `status` 9); a
// finished one gives its record back and is popped.
void Leave(VtxLine* line, Frame* frame, void* caller, size_t record_size);

}  // namespace frame_detail

template <typename Record, typename State, typename Ret>
Ret RunOp(VtxLine* line, Record* args, OpId id, Ret (*steps)(VtxLine*, Record*, State&),
          Ret failed) {
  static_assert(std::is_trivially_copyable_v<Record> && std::is_trivially_destructible_v<State>,
                "records and states live in the frame block as plain bytes");
  if (line == nullptr || (args->async_lp == 0 && line->async_depth == 0)) {
    State state{};
    return steps(line, args, state);
  }
  bool fresh = false;
  Frame* frame = frame_detail::Enter(line, ResultOf(args), args->async_lp, sizeof(Record), id,
                                     sizeof(State), &fresh);
  if (frame == nullptr) return failed;
  if (fresh) new (frame->state) State{};
  // The caller keeps its own asynchronous context word (a continue call's 0xFFFFFFFF).
  const uint32_t async_lp = args->async_lp;
  void* const enclosing = line->current_frame;
  line->current_frame = frame;
  ++line->async_depth;
  Ret ret = steps(line, static_cast<Record*>(frame->args), *static_cast<State*>(frame->state));
  --line->async_depth;
  line->current_frame = enclosing;
  frame_detail::Leave(line, frame, args, sizeof(Record));
  args->async_lp = async_lp;
  return ret;
}

// Whether the record says the operation goes on after a notice.
template <typename Record>
bool Continuing(const Record* args) {
  return args->status == CV_STATUS_CONTINUING;
}

// A message request of a packet operation. Synchronously the plain request; inside an
// asynchronous operation the asynchronous one, carrying the notification line's address, with
// the line on the notification line's pending list while the driver may queue it.
enum class Issued {
  kFailed,  // the request failed at the system level, or the line could not be registered
  kDone,    // the driver answered: its status is in the block
  kQueued,  // the driver queued it: `status` 9, a notice will complete it
};
Issued IssueMessage(VtxLine* line, MillArgs* args, bool send, VtxDrvMsgBlock* block);

}  // namespace vtx::packet
