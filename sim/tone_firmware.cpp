#include "sim/tone_firmware.h"

#include <algorithm>
#include <string>

#include "sig_det.h"
#include "sig_gen.h"
#include "sim/module.h"
#include "vtx.h"

namespace sim {
namespace {

using vtx::cfg::cfgItem;

constexpr uint32_t kTypeCharByte = 0x10;  // Byte with unit Char
constexpr uint32_t kTypeMsShort = 0x41;   // Short with unit MSec
constexpr uint32_t kDetectionTime = 40;   // ms of a tone before the detector reports it
constexpr uint32_t kMaxLength = 60000;

uint32_t TagValue(const FwCommand& command, uint32_t id) {
  const FwTag* tag = command.Find(id);
  return tag != nullptr ? tag->Value() : 0;
}

// START DTMF_DETECTION: started, then what the channel hears, each digit reported once the
// detector has heard enough of it and, when asked, its end with its length.
void StartDetection(Module& module, const FwCommand& command, FwAnswer& answer) {
  answer.Packet().Event(SIG_DET_TONE_DETECT_STARTED_EVENT);
  auto heard = module.heard_tones().find(ChannelOf(command));
  if (heard == module.heard_tones().end()) return;
  const HeardTones& tones = heard->second;
  const bool ends = TagValue(command, SIG_DET_TONE_DETECT_REPORT_END_VAR) != 0;
  uint32_t at = 0;
  for (char digit : tones.digits) {
    at += tones.gap_ms;
    FwPacket& value = answer.Packet();
    value.Event(SIG_DET_SIGNAL_DETECTION_EVENT,
                {FwTag::Int(SIG_DET_DTMF_VALUE_VAR, kTypeCharByte, static_cast<uint8_t>(digit))});
    value.delay_ms = at + std::min(tones.tone_ms, kDetectionTime);
    at += tones.tone_ms;
    if (ends) {
      FwPacket& end = answer.Packet();
      end.Event(SIG_DET_SIGNAL_DETECTION_EVENT,
                {FwTag::Int(SIG_DET_DTMF_END_LENGTH_VAR, kTypeMsShort, tones.tone_ms)});
      end.delay_ms = at;
    }
  }
}

void ApplyKey(const cfgItem& item, HeardTones& tones, const ProblemReport& report) {
  const std::string key(item.name().view());
  const std::string value(item.value().view());
  if (key == "digits") {
    const bool dialable = value.find_first_not_of("0123456789*#ABCD") == std::string::npos;
    if (dialable && !value.empty()) {
      tones.digits = value;
    } else {
      report(item.lineNumber(),
             "expected DTMF characters (0-9 * # A-D) for digits, got '" + value + "'");
    }
  } else if (key == "tone_length" || key == "gap") {
    uint32_t ms = 0;
    if (ParseNumber(value, kMaxLength, ms) && (ms > 0 || key == "gap")) {
      (key == "gap" ? tones.gap_ms : tones.tone_ms) = ms;
    } else {
      report(item.lineNumber(), std::string("expected milliseconds from ") +
                                    (key == "gap" ? "0" : "1") + " to 60000 for " + key +
                                    ", got '" + value + "'");
    }
  } else {
    report(item.lineNumber(), "expected digits, tone_length or gap, got '" + key + "'");
  }
}

}  // namespace

void InstallToneFirmware(Module& module) {
  Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(MILL_FACILITY_SIG_GEN, MILL_VERB_START, SIG_GEN_TONE_MODE,
            [](const FwCommand& command, FwAnswer& answer) {
              FwPacket& finished = answer.Packet();
              finished.Event(SIG_GEN_TONE_FINISHED_EVENT);
              finished.delay_ms = TagValue(command, SIG_GEN_SIGNAL_LENGTH_VAR) +
                                  TagValue(command, SIG_GEN_DTMF_POST_SILENCE_VAR);
            });
  table.Set(
      MILL_FACILITY_SIG_DET, MILL_VERB_START, SIG_DET_DTMF_DETECTION_MODE,
      [m](const FwCommand& command, FwAnswer& answer) { StartDetection(*m, command, answer); });
  table.Set(MILL_FACILITY_SIG_DET, MILL_VERB_FINISH, SIG_DET_DTMF_DETECTION_MODE,
            [](const FwCommand&, FwAnswer& answer) {
              answer.Packet().Event(SIG_DET_TONE_DETECT_FINISHED_EVENT);
            });
}

bool LoadTonesSection(const vtx::cfg::cfgSection& sub, Module& module,
                      const ProblemReport& report) {
  uint32_t unit = 0;
  if (!NumberedName(sub.name().view(), "tones", 0xFF, unit)) return false;
  HeardTones& tones = module.heard_tones()[unit];
  for (size_t i = 0; i < sub.itemCount(); ++i) ApplyKey(sub.item(i), tones, report);
  return true;
}

}  // namespace sim
