// Tone detection on the board: starting and stopping it, and the handler that puts what the
// channel hears into the line's tone buffer.
#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "packet/async_frame.h"
#include "packet/command_reader.h"
#include "packet/event_hooks.h"
#include "sig_det.h"
#include "teleph/tone_exchange.h"
#include "teleph/tone_state.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kCapToneDetect = 85;
constexpr uint32_t kCapToneDetectExtra = 65;  // detection types 17 to 19
constexpr uint32_t kTypeMask = 31;
constexpr uint32_t kTypeCharByte = 0x10;  // Byte with unit Char
constexpr uint32_t kTypeMsShort = 0x41;   // Short with unit MSec
constexpr uint32_t kTypeBoolByte = 0x20;  // Byte with unit Boolean

// The call-progress results are the call-progress family's; here they are only counted.
void CallProgress(VtxLine* line, const packet::Tag& tag) {
  if (tag.id == SIG_DET_CP_VALUE_VAR) {
    line->tones.cp_value = tag.Int();
    ++line->tones.cp_results;
  }
}

void ToneDetectionHandler(VtxLine* line, MillArgs* work) {
  packet::TagReader tags(work->tag_ptr, work->tags_left, false);
  packet::Tag tag;
  while (tags.Next(tag)) {
    switch (tag.id) {
      case SIG_DET_DTMF_VALUE_VAR:
        if (tag.type != kTypeCharByte) {
          trace::Message(line, trace::kLevelError, "Expecting type %X, got %X", kTypeCharByte,
                         tag.type);
          break;
        }
        PutTone(line, static_cast<uint8_t>(tag.Int()));
        trace::Message(line, trace::kLevelInfo, "Tone '%c' detected", tag.Int());
        break;
      case SIG_DET_DTMF_END_LENGTH_VAR:
        if (tag.type != kTypeMsShort) {
          trace::Message(line, trace::kLevelError, "Expecting type %X, got %X", kTypeMsShort,
                         tag.type);
          break;
        }
        if ((line->tones.decode_flag & VTX_TONE_REPORT_ENDS) != 0) PutTone(line, 0);
        trace::Message(line, trace::kLevelInfo, "Tone end, length %d msecs", tag.Int());
        break;
      case SIG_DET_CP_VALUE_VAR:
      case SIG_DET_CP_RAW_VALUE_VAR:
      case SIG_DET_CP_CADENCE_VAR:
      case SIG_DET_CP_TONE_LIST_VAR:
        CallProgress(line, tag);
        break;
      default:
        break;
    }
  }
}

struct DetectState {
  uint32_t phase;  // 0 first entry, 1 exchanging with the board
  ToneExchange exchange;
};

int EnableSteps(VtxLine* line, VtxToneArgs* args, DetectState& state) {
  if (state.phase == 0) {
    trace::CallEntry(line, "VtxToneDetectEnable", "decode_flag=%d", args->decode_flag);
    if (!ToneEntry(line, args)) return 0;
    if (!HasCapability(line, kCapToneDetect)) {
      Fail(args, APIERR_BOARDCAPABILITY);
      return 0;
    }
    const uint32_t type = args->decode_flag & kTypeMask;
    if (type != 12 && type != 16 && (type < 17 || type > 19)) {
      Fail(args, APIERR_BADPARAMETER);
      return 0;
    }
    if (type >= 17 && !HasCapability(line, kCapToneDetectExtra)) {
      Fail(args, APIERR_BOARDCAPABILITY);
      return 0;
    }
    state.phase = 1;
  }
  // The command is formed before its send can stop: the tags need not outlive this call.
  const MillTagItem tags[] = {
      {SIG_DET_TONE_DETECTION_TYPE_VAR, MILL_TYPE_BYTE, 0,
       MILL_TAG_VALUE(args->decode_flag & kTypeMask)},
      {(args->decode_flag & VTX_TONE_REPORT_ENDS) != 0 ? SIG_DET_TONE_DETECT_REPORT_END_VAR : 0u,
       kTypeBoolByte, 0, MILL_TAG_VALUE(1)},
      {0, 0, 0, nullptr}};
  if (!RunToneExchange(line, state.exchange, MILL_FACILITY_SIG_DET, MILL_VERB_START,
                       SIG_DET_DTMF_DETECTION_MODE, tags, SIG_DET_TONE_DETECT_STARTED_EVENT,
                       ResultOf(args))) {
    return 0;
  }
  if (args->status == CV_STATUS_OK) line->tones.decode_flag = args->decode_flag;
  return 0;
}

int DisableSteps(VtxLine* line, VtxToneArgs* args, DetectState& state) {
  if (state.phase == 0) {
    if (!ToneEntry(line, args)) return 0;
    if (!HasCapability(line, kCapToneDetect) && !HasCapability(line, kCapToneDetectExtra)) {
      Fail(args, APIERR_BOARDCAPABILITY);
      return 0;
    }
    line->tones.decode_flag = 0;
    state.phase = 1;
  }
  RunToneExchange(line, state.exchange, MILL_FACILITY_SIG_DET, MILL_VERB_FINISH,
                  SIG_DET_DTMF_DETECTION_MODE, nullptr, SIG_DET_TONE_DETECT_FINISHED_EVENT,
                  ResultOf(args));
  return 0;
}

void ToneDetectEnable(VtxLine* line, VtxToneArgs* args) {
  packet::RunOp(line, args, packet::OpId::kToneDetectEnable, EnableSteps, 0);
}

void ToneDetectDisable(VtxLine* line, VtxToneArgs* args) {
  packet::RunOp(line, args, packet::OpId::kToneDetectDisable, DisableSteps, 0);
}

}  // namespace

bool ToneEntry(VtxLine* line, VtxToneArgs* args) {
  if (line == nullptr) {
    Fail(args, APIERR_BADPARAMETER);
    return false;
  }
  if (!packet::InAsync(line) && line->nesting != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    return false;
  }
  packet::InstallEventHandler(packet::HookedEvent::kToneDetection, ToneDetectionHandler);
  return true;
}

bool PutTone(VtxLine* line, uint8_t character) {
  LineTones& tones = line->tones;
  const uint32_t next = (tones.write + 1) % LineTones::kRing;
  if (next == tones.read) return false;
  tones.ring[tones.write] = character;
  tones.write = next;
  return true;
}

}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" void VtxToneDetectEnable(VtxLine* line, VtxToneArgs* args) {
  Framed<Family::kTone, Carry::kOutput>(vtx::teleph::ToneDetectEnable, line, args);
}

extern "C" void VtxToneDetectDisable(VtxLine* line, VtxToneArgs* args) {
  Framed<Family::kTone, Carry::kOutput>(vtx::teleph::ToneDetectDisable, line, args);
}
