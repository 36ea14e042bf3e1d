// Tone play: one tone or DTMF digit through the channel's signal generator, then a silence.
#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "sig_gen.h"
#include "teleph/tone_exchange.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kCapTonePlay = 93;       // tone types 12 and 16
constexpr uint32_t kCapTonePlayExtra = 67;  // tone types 17 to 19
constexpr int32_t kTypePlayedAs16 = 90;
constexpr uint32_t kCountrySilence = 2;   // country parameter: default silence in 5 ms units
constexpr uint32_t kTypeCharByte = 0x10;  // Byte with unit Char
constexpr uint32_t kTypeMsLong = 0x42;    // Long with unit MSec

// The capability a tone type needs, or 0 for a type that does not exist.
uint32_t CapabilityOf(int32_t tone_type) {
  switch (tone_type) {
    case 12:
    case 16:
    case kTypePlayedAs16:
      return kCapTonePlay;
    case 17:
    case 18:
    case 19:
      return kCapTonePlayExtra;
    default:
      return 0;
  }
}

void TonePlay(VtxLine* line, VtxTonePlayArgs* args) {
  trace::CallEntry(line, "VtxTonePlay", "digit=%d,millisecs=%lu,tone_type=%d,interdigit_time=%u",
                   args->digit, static_cast<unsigned long>(args->millisecs), args->tone_type,
                   args->interdigit_time);
  if (line == nullptr) {
    Fail(args, APIERR_BADPARAMETER);
    return;
  }
  if (args->async_lp != 0 || line->nesting != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    return;
  }
  const uint32_t capability = CapabilityOf(args->tone_type);
  if (capability == 0) {
    Fail(args, APIERR_BADPARAMETER);
    return;
  }
  if (!HasCapability(line, capability)) {
    Fail(args, APIERR_BOARDCAPABILITY);
    return;
  }
  const uint32_t silence = args->interdigit_time != 0 ? args->interdigit_time
                                                      : line->config.country[kCountrySilence] * 5u;
  const uint32_t type = args->tone_type == kTypePlayedAs16 ? 16 : args->tone_type;
  const MillTagItem tags[] = {
      {SIG_GEN_DTMF_VALUE_VAR, kTypeCharByte, 0, MILL_TAG_VALUE(args->digit)},
      {SIG_GEN_SIGNAL_LENGTH_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(args->millisecs)},
      {SIG_GEN_TONE_GEN_TYPE_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(type)},
      {SIG_GEN_DTMF_POST_SILENCE_VAR, kTypeMsLong, 0, MILL_TAG_VALUE(silence)},
      {0, 0, 0, nullptr}};
  ToneExchange exchange{};
  RunToneExchange(line, exchange, MILL_FACILITY_SIG_GEN, MILL_VERB_START, SIG_GEN_TONE_MODE, tags,
                  SIG_GEN_TONE_FINISHED_EVENT, ResultOf(args));
}

}  // namespace
}  // namespace vtx::teleph

extern "C" void VtxTonePlay(VtxLine* line, VtxTonePlayArgs* args) {
  using vtx::api::Carry;
  using vtx::api::Family;
  vtx::api::Framed<Family::kTone, Carry::kInputOnly>(vtx::teleph::TonePlay, line, args);
}
