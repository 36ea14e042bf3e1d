#include "api/hangup_check.h"

#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"

namespace vtx::api {
namespace {

constexpr uint32_t kFirstHostHangup = 500;  // hangups raised by the library itself, never held

}  // namespace

int CheckPendingHangup(VtxLine* line, bool no_hangup, VtxResult* result) {
  if (line == nullptr) return 0;
  if (line->alert_value != 0 && line->pending_hangup == kPendingAlert) {
    SetResult(result, CV_STATUS_ALERT, line->alert_value);
    line->reset_status |= kResetAlert;
    line->alert_value = 0;
    line->line_state = line->saved_line_state;
    line->pending_hangup = 0;
    return 1;
  }
  uint32_t code = line->pending_hangup;
  if (code == 0 || (no_hangup && code < kFirstHostHangup)) return 0;
  if (result->status == CV_STATUS_OK) {
    SetResult(result, CV_STATUS_ERROR_HANGUP, code);
    if (code == 500 || code == 501) line->reset_status |= kResetCondition;
  }
  line->pending_hangup = 0;
  return 1;
}

}  // namespace vtx::api
