// The facilities of a channel line, in the order the firmware expects their settings: the tone
// generator's presence first, as it decides which voice and detector settings apply, then
// SPEECH, FAX, SIG_DET, SIG_GEN and PPI, and the fax local identifier last.
#include "admin.h"
#include "api/line.h"
#include "fax.h"
#include "lineconfig/capability_map.h"
#include "lineconfig/facility_settings.h"
#include "lineconfig/final_config_run.h"
#include "ppi.h"
#include "sig_det.h"
#include "sig_gen.h"
#include "speech.h"
#include "teleph/fax_ops.h"

namespace vtx {
namespace {

constexpr uint32_t kCapSpeech = 84;
constexpr uint32_t kCapSigDet[] = {85, 86};
constexpr uint32_t kCapSigGen = 93;
constexpr uint32_t kCapFax = 14;  // the channel can send and receive fax
// Capabilities a module that sends no SPEECH or FAX list is taken to have.
constexpr uint32_t kSpeechWithoutList[] = {43, 44, 48, 49, 51};
constexpr uint32_t kFaxWithoutList[] = {14, 15, 16, 19, 20, 22, 23, 25, 30};

template <size_t N>
void SetAll(VtxLine* line, const uint32_t (&capabilities)[N]) {
  for (uint32_t capability : capabilities) SetCapability(line, capability);
}

int Speech(FinalConfigRun& run) {
  VtxLine* line = run.line;
  CapabilityPair pairs[kMaxCapabilityPairs + 1];
  const int listed = run.Query(MILL_FACILITY_SPEECH, pairs);
  if (listed < 0) return -1;
  SetCapability(line, kCapSpeech);
  if (listed == 1) {
    SetAll(line, kSpeechWithoutList);
  } else {
    MapCapabilities(line, pairs, kSpeechCapabilities, run.regular_module);
  }
  if (HasCapability(line, 48)) SetCapability(line, 50);
  if (!run.sending()) return 0;
  if (!SendSettings(line, MILL_FACILITY_SPEECH, PlayGainSetting(*line), run.args)) return -1;
  if (line->no_sig_gen != 0) return 0;
  if (!SendSettings(line, MILL_FACILITY_SPEECH, SpeechSettings(*line), run.args)) return -1;
  if (line->config.settings.underrun_ctrl != 0 &&
      !SendSettings(line, MILL_FACILITY_SPEECH, UnderrunSetting(*line), run.args)) {
    return -1;
  }
  return 0;
}

int Fax(FinalConfigRun& run) {
  VtxLine* line = run.line;
  CapabilityPair pairs[kMaxCapabilityPairs + 1];
  const int listed = run.Query(MILL_FACILITY_FAX, pairs);
  if (listed < 0) return -1;
  if (listed == 1) {
    SetAll(line, kFaxWithoutList);
  } else {
    MapCapabilities(line, pairs, kFaxCapabilities, run.regular_module);
  }
  if (HasCapability(line, 14)) SetCapability(line, 18);
  if (HasCapability(line, 22) && HasCapability(line, 23)) SetCapability(line, 21);
  if (!run.sending()) return 0;
  return SendSettings(line, MILL_FACILITY_FAX, FaxSettings(*line), run.args) ? 0 : -1;
}

int SigDet(FinalConfigRun& run) {
  VtxLine* line = run.line;
  CapabilityPair pairs[kMaxCapabilityPairs + 1];
  if (run.Query(MILL_FACILITY_SIG_DET, pairs) < 0) return -1;
  SetAll(line, kCapSigDet);
  MapCapabilities(line, pairs, kSigDetCapabilities, run.regular_module);
  if (!run.sending() || line->no_sig_gen != 0) return 0;
  return SendSettings(line, MILL_FACILITY_SIG_DET, SigDetSettings(*line), run.args) ? 0 : -1;
}

int SigGen(FinalConfigRun& run) {
  VtxLine* line = run.line;
  CapabilityPair pairs[kMaxCapabilityPairs + 1];
  if (run.Query(MILL_FACILITY_SIG_GEN, pairs) < 0) return -1;
  SetCapability(line, kCapSigGen);
  MapCapabilities(line, pairs, kSigGenCapabilities, run.regular_module);
  if (!run.sending()) return 0;
  return SendSettings(line, MILL_FACILITY_SIG_GEN, SigGenSettings(*line), run.args) ? 0 : -1;
}

int Ppi(FinalConfigRun& run) {
  CapabilityPair pairs[kMaxCapabilityPairs + 1];
  if (run.Query(MILL_FACILITY_PPI, pairs) < 0) return -1;
  MapCapabilities(run.line, pairs, kPpiCapabilities, run.regular_module);
  return 0;
}

// The station identifier becomes the channel's fax local identifier.
int LocalId(FinalConfigRun& run) {
  VtxLine* line = run.line;
  if (!HasCapability(line, kCapFax) || !run.sending()) return 0;
  VtxFaxLocalIdArgs id{};
  id.local_id = line->config.settings.id_string;
  if (teleph::FaxSetLocalId(line, &id) == 0) return 0;
  line->reset_status |= kResetSettingRefused;
  run.args->status = id.status;
  run.args->line_status = id.line_status;
  return -1;
}

struct FacilityStep {
  uint32_t facility;
  int (*configure)(FinalConfigRun& run);
};
constexpr FacilityStep kFacilitySteps[] = {
    {MILL_FACILITY_SPEECH, Speech},  {MILL_FACILITY_FAX, Fax}, {MILL_FACILITY_SIG_DET, SigDet},
    {MILL_FACILITY_SIG_GEN, SigGen}, {MILL_FACILITY_PPI, Ppi},
};

}  // namespace

int ConfigureChannelFacilities(FinalConfigRun& run) {
  if (!run.FacilityPresent(MILL_FACILITY_SIG_GEN)) run.line->no_sig_gen = 1;
  for (const FacilityStep& step : kFacilitySteps) {
    if (run.FacilityPresent(step.facility) && step.configure(run) < 0) return -1;
  }
  return LocalId(run);
}

}  // namespace vtx
