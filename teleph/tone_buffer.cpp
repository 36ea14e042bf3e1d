// The line's tone buffer: taking characters out (receiving and processing packets while it is
// empty), looking at the next one, pushing one back, and emptying it.
#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "os/clock.h"
#include "packet/async_frame.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "teleph/tone_state.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr int kCallProgress = 1;  // VtxToneGet: a call-progress result is waiting
constexpr int kContinue = 2;      // VtxToneGet: the asynchronous call must be continued

struct GetState {
  uint32_t phase;  // 0 first entry, 1 receiving
  uint32_t start;
  uint32_t remaining;
};

int Returned(VtxLine* line, VtxToneArgs* args, int ret) {
  trace::CallReturn(line, "VtxToneGet", args, "ret=%d", ret);
  return ret;
}

int GetSteps(VtxLine* line, VtxToneArgs* args, GetState& state) {
  if (state.phase == 0) {
    trace::CallEntry(line, "VtxToneGet", "millisecs=%lu,tone_cp=%d",
                     static_cast<unsigned long>(args->millisecs), args->tone_cp);
    if (!ToneEntry(line, args)) return Returned(line, args, -1);
    state.start = os::TickCount();
    state.remaining = args->millisecs;
    LineTones& tones = line->tones;
    if (tones.pushed_back != 0) {
      const int character = tones.pushed_back;
      tones.pushed_back = 0;
      return Returned(line, args, character);
    }
    state.phase = 1;
  }
  LineTones& tones = line->tones;
  while (tones.write == tones.read) {
    if (args->tone_cp != 0 && tones.cp_results != 0) return Returned(line, args, kCallProgress);
    // A continued receive works on its own copy of this record.
    MillArgs receive{};
    receive.timeout = state.remaining;
    const int received = packet::RcvProcessPkt(line, &receive);
    if (packet::Continuing(&receive)) {
      CopyResult(args, receive);
      return kContinue;
    }
    if (received != 1) {
      CopyResult(args, receive);
      return Returned(line, args, -1);
    }
    if (static_cast<int32_t>(args->millisecs) < 1) continue;
    const uint32_t elapsed = os::TickCount() - state.start;
    if (elapsed >= args->millisecs) {
      SetResult(args, CV_STATUS_TIMEOUT, 0);
      return Returned(line, args, -1);
    }
    state.remaining = args->millisecs - elapsed;
  }
  const int character = tones.ring[tones.read];
  tones.read = (tones.read + 1) % LineTones::kRing;
  return Returned(line, args, character);
}

int ToneGet(VtxLine* line, VtxToneArgs* args) {
  return packet::RunOp(line, args, packet::OpId::kToneGet, GetSteps, -1);
}

void PushBack(VtxLine* line, int32_t digit) {
  if (digit != kCallProgress) line->tones.pushed_back = digit;
}

struct PeekState {
  uint32_t phase;  // 0 first entry, 1 getting
  uint32_t millisecs;
};

int PeekSteps(VtxLine* line, VtxToneArgs* args, PeekState& state) {
  if (state.phase == 0) {
    trace::CallEntry(line, "VtxTonePeek", "tone_cp=%d", args->tone_cp);
    state.millisecs = args->millisecs;
    args->millisecs = 0;
    state.phase = 1;
  }
  int ret = ToneGet(line, args);
  if (packet::Continuing(args)) return kContinue;
  args->millisecs = state.millisecs;
  if (args->status == CV_STATUS_TIMEOUT) SetResult(args, CV_STATUS_OK, 0);
  if (args->status != CV_STATUS_OK) {
    ret = -1;
  } else if (ret >= 0) {
    args->digit = ret;
    PushBack(line, ret);
  }
  trace::CallReturn(line, "VtxTonePeek", args, "ret=%d", ret);
  return ret;
}

int TonePeek(VtxLine* line, VtxToneArgs* args) {
  return packet::RunOp(line, args, packet::OpId::kTonePeek, PeekSteps, -1);
}

void IntToneUnget(VtxLine* line, VtxToneArgs* args) {
  trace::CallEntry(line, "VtxIntToneUnget", "digit=%d", args->digit);
  if (line == nullptr) {
    Fail(args, APIERR_BADPARAMETER);
    return;
  }
  if (args->async_lp != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    return;
  }
  PushBack(line, args->digit);
}

struct FlushState {
  uint32_t phase;  // 0 first entry, 1 processing what has arrived
};

int FlushSteps(VtxLine* line, VtxToneArgs* args, FlushState& state) {
  if (state.phase == 0) {
    if (!ToneEntry(line, args)) return 0;
    state.phase = 1;
  }
  MillArgs receive{};
  while (packet::RcvProcessPkt(line, &receive) == 1) receive = MillArgs{};
  if (packet::Continuing(&receive)) {
    CopyResult(args, receive);
    return 0;
  }
  if (receive.status != CV_STATUS_TIMEOUT) CopyResult(args, receive);
  line->tones.read = line->tones.write;
  line->tones.pushed_back = 0;
  return 0;
}

void ToneFlush(VtxLine* line, VtxToneArgs* args) {
  packet::RunOp(line, args, packet::OpId::kToneFlush, FlushSteps, 0);
}

}  // namespace
}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxToneGet(VtxLine* line, VtxToneArgs* args) {
  return Framed<Family::kTone, Carry::kOutput>(vtx::teleph::ToneGet, line, args);
}

extern "C" int VtxTonePeek(VtxLine* line, VtxToneArgs* args) {
  return Framed<Family::kTone, Carry::kOutput>(vtx::teleph::TonePeek, line, args);
}

extern "C" void VtxIntToneUnget(VtxLine* line, VtxToneArgs* args) {
  Framed<Family::kTone, Carry::kOutput>(vtx::teleph::IntToneUnget, line, args);
}

extern "C" void VtxToneFlush(VtxLine* line, VtxToneArgs* args) {
  Framed<Family::kTone, Carry::kOutput>(vtx::teleph::ToneFlush, line, args);
}
