// A module's telephony as a whole: VtxTelephReset frees the board's telephony critical section
// (left taken by a process that ended during the telephony configuration), VtxTelephSave makes
// the module keep its telephony control parameters in its non-volatile memory.
#include "admin.h"
#include "api/frame.h"
#include "api/line.h"
#include "common.h"
#include "packet/line_io.h"
#include "tele_ctrl.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kCapTelephony = 89;     // the module has a telephony controller
constexpr uint32_t kCapCritSecReset = 77;  // its ADMIN resets critical sections
constexpr uint32_t kCapParamsSave = 83;    // its telephony controller saves its parameters
constexpr uint32_t kTelephonySection = 1;  // the critical section of the telephony configuration
constexpr uint32_t kSaveErrorClass = 2;    // the status texts of a refused save

// The result words start as success: for the reset they are the only outcome.
bool Allowed(VtxLine* line, const VtxTelephArgs* args, uint32_t capability, VtxResult* result) {
  SetResult(result, CV_STATUS_OK, 0);
  return SynchronousWith(line, args->async_lp, capability, result);
}

void TelephReset(VtxLine* line, VtxTelephArgs* args) {
  VtxResult* result = ResultOf(args);
  if (!Allowed(line, args, kCapTelephony, result)) return;
  if (!HasCapability(line, kCapCritSecReset)) return;
  const MillTagItem tags[] = {{ADMIN_CRIT_SEC_ID_VAR, 0, 0, MILL_TAG_VALUE(kTelephonySection)},
                              {0, 0, 0, nullptr}};
  SendRequest(line, MILL_FACILITY_ADMIN, ADMIN_CRIT_SEC_RESET_REQUEST, tags, result);
}

int TelephSave(VtxLine* line, VtxTelephArgs* args) {
  VtxResult* result = ResultOf(args);
  if (!Allowed(line, args, kCapParamsSave, result)) return -1;
  if (!SendRequest(line, MILL_FACILITY_TELE_CTRL, TELE_CTRL_PARAMS_SAVE_REQUEST, nullptr, result)) {
    return -1;
  }
  MillArgs wait;
  if (WaitEvent(line, &wait, MILL_FACILITY_TELE_CTRL, TELE_CTRL_PARAMS_SAVED_EVENT,
                packet::kForever) != 1) {
    CopyResult(result, wait);
    return -1;
  }
  const uint32_t code = CommandTagInt(wait, COMMON_RESULT_CODE_VAR);
  if (!DrainRest(line, &wait, result)) return -1;
  if (code != 0) {
    FirmwareRefused(line, result, kSaveErrorClass, code,
                    "Telephony control parameter save error, result code %d");
  }
  return static_cast<int>(code);
}

void ResetWorker(VtxLine* line, VtxTelephArgs* args) {
  const char* name = "VtxTelephReset";
  trace::CallEntry(line, name, nullptr);
  TelephReset(line, args);
  trace::CallReturn(line, name, args, nullptr);
}

int SaveWorker(VtxLine* line, VtxTelephArgs* args) {
  const char* name = "VtxTelephSave";
  trace::CallEntry(line, name, nullptr);
  const int ret = TelephSave(line, args);
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

}  // namespace
}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" void VtxTelephReset(VtxLine* line, VtxTelephArgs* args) {
  Framed<Family::kTelephSwitch, Carry::kInputOnly>(vtx::teleph::ResetWorker, line, args);
}

extern "C" int VtxTelephSave(VtxLine* line, VtxTelephArgs* args) {
  return Framed<Family::kTelephSwitch, Carry::kInputOnly>(vtx::teleph::SaveWorker, line, args);
}
