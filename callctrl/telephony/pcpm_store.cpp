#include "callctrl/telephony/pcpm_store.h"

#include <string>
#include <vector>

#include "api/line.h"
#include "callctrl/telephony/pcpm_table.h"
#include "common.h"
#include "sig_det.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::callctrl {
namespace {

constexpr uint32_t kCapPcpmTable = 66;  // the detector takes PCPM tables
constexpr uint32_t kStoreWait = 5000;   // ms
constexpr size_t kMaxToneWords = 3 + 2 * kMaxCadenceSteps;

// A tone as the board takes it: Short words ID, FREQ1, FREQ2, then its cadence, little-endian.
struct ToneBytes {
  uint8_t bytes[2 * kMaxToneWords];
  uint32_t size = 0;

  explicit ToneBytes(const PcpmTone& tone) {
    Put(tone.id);
    Put(tone.frequency[0]);
    Put(tone.frequency[1]);
    for (uint16_t i = 0; i < 2 * tone.steps; ++i) Put(tone.on_off[i]);
  }
  void Put(uint16_t word) {
    bytes[size++] = static_cast<uint8_t>(word);
    bytes[size++] = static_cast<uint8_t>(word >> 8);
  }
};

// Stores the tones: 0, the board's result code, or the API error of the exchange.
uint32_t StoreTable(VtxLine* line, const std::vector<PcpmTone>& tones) {
  std::vector<ToneBytes> encoded(tones.begin(), tones.end());
  std::vector<MillTagItem> tags;
  for (const ToneBytes& tone : encoded) {
    tags.push_back({SIG_DET_CP_TONE_LIST_VAR, MILL_TYPE_SHORT, tone.size, tone.bytes});
  }
  tags.push_back({0, 0, 0, nullptr});
  MillArgs send =
      teleph::ModuleRequest(MILL_FACILITY_SIG_DET, SIG_DET_LOAD_PCPM_TABLE_MODE, tags.data());
  send.verb = MILL_VERB_START;
  VtxResult result{};
  if (!teleph::SendFormed(line, send, &result)) return result.line_status;
  MillArgs wait;
  if (teleph::WaitEvent(line, &wait, MILL_FACILITY_SIG_DET, SIG_DET_PCPM_TABLE_LOADED_EVENT,
                        kStoreWait) != 1) {
    return wait.line_status != 0 ? wait.line_status : APIERR_BOARD_NO_RESPONSE;
  }
  const uint32_t code = teleph::CommandTagInt(wait, COMMON_RESULT_CODE_VAR);
  if (!teleph::DrainRest(line, &wait, &result)) return result.line_status;
  return code;
}

}  // namespace

void LoadPcpmTable(const TelephonyRun& run) {
  VtxLine* line = run.line;
  const char* file = line->config.settings.pcpm_table;
  if (file[0] == '\0' || !HasCapability(line, kCapPcpmTable)) return;
  trace::Message(line, trace::kLevelInfo, "Loading PCPM table from file %s.", file);
  std::vector<PcpmTone> tones;
  uint32_t error = ReadPcpmTable(file, tones, [line](const std::string& message) {
    trace::Message(line, trace::kLevelError, "Ferrolib: %s", message.c_str());
  });
  if (error != 0) {
    trace::Message(line, trace::kLevelError, "Error %lu loading PCPM table from file %s.",
                   static_cast<unsigned long>(error), file);
  } else {
    error = StoreTable(line, tones);
    if (error != 0) {
      trace::Message(line, trace::kLevelError, "Error %lu storing PCPM table read from file %s.",
                     static_cast<unsigned long>(error), file);
    }
  }
  run.Report({TelephonyAction::kPcpmTable, 0, {}, error == 0, error});
}

}  // namespace vtx::callctrl
