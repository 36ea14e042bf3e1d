// The facilities of a channel line, in the order the firmware expects their settings: the tone
// generator's presence first, as it decides which voice and detector settings apply, then
// SPEECH, FAX, SIG_DET, SIG_GEN and PPI, and the fax local identifier last.
#include "admin.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
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

constexpr uint32_t kCapFax = 14;  // the channel can send and receive fax

int Speech(FinalConfigRun& run) {
  VtxLine* line = run.line;
  if (run.Discover(MILL_FACILITY_SPEECH, kSpeechCapabilities, {84}, {43, 44, 48, 49, 51}) < 0) {
    return -1;
  }
  if (HasCapability(line, 48)) SetCapability(line, 50);
  if (run.Send(MILL_FACILITY_SPEECH, PlayGainSetting(*line)) < 0) return -1;
  if (line->config.no_sig_gen != 0) return 0;
  if (run.Send(MILL_FACILITY_SPEECH, SpeechSettings(*line)) < 0) return -1;
  if (line->config.settings.underrun_ctrl == 0) return 0;
  return run.Send(MILL_FACILITY_SPEECH, UnderrunSetting(*line));
}

int Fax(FinalConfigRun& run) {
  VtxLine* line = run.line;
  if (run.Discover(MILL_FACILITY_FAX, kFaxCapabilities, {}, {14, 15, 16, 19, 20, 22, 23, 25, 30}) <
      0) {
    return -1;
  }
  if (HasCapability(line, 14)) SetCapability(line, 18);
  if (HasCapability(line, 22) && HasCapability(line, 23)) SetCapability(line, 21);
  return run.Send(MILL_FACILITY_FAX, FaxSettings(*line));
}

int SigDet(FinalConfigRun& run) {
  if (run.Discover(MILL_FACILITY_SIG_DET, kSigDetCapabilities, {85, 86}) < 0) return -1;
  if (run.line->config.no_sig_gen != 0) return 0;
  return run.Send(MILL_FACILITY_SIG_DET, SigDetSettings(*run.line));
}

int SigGen(FinalConfigRun& run) {
  if (run.Discover(MILL_FACILITY_SIG_GEN, kSigGenCapabilities, {93}) < 0) return -1;
  return run.Send(MILL_FACILITY_SIG_GEN, SigGenSettings(*run.line));
}

int Ppi(FinalConfigRun& run) {
  return run.Discover(MILL_FACILITY_PPI, kPpiCapabilities) < 0 ? -1 : 0;
}

// The station identifier becomes the channel's fax local identifier.
int LocalId(FinalConfigRun& run) {
  VtxLine* line = run.line;
  if (!HasCapability(line, kCapFax) || !run.sending()) return 0;
  VtxFaxLocalIdArgs id{};
  id.local_id = line->config.settings.id_string;
  if (teleph::FaxSetLocalId(line, &id) == 0) return 0;
  line->reset_status |= kResetTransfer;
  CopyResult(run.args, id);
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
  if (!run.FacilityPresent(MILL_FACILITY_SIG_GEN)) run.line->config.no_sig_gen = 1;
  for (const FacilityStep& step : kFacilitySteps) {
    if (run.FacilityPresent(step.facility) && step.configure(run) < 0) return -1;
  }
  return LocalId(run);
}

}  // namespace vtx
