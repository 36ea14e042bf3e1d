#include "packet/line_io.h"

#include <cstring>

#include "api/hangup_check.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "os/clock.h"
#include "trace/api_log.h"

namespace vtx::packet {

Wait::Wait(const VtxLine* line, uint32_t timeout)
    : timeout_(timeout), start_(os::TickCount()), infinite_(timeout == kForever) {
  // The preference file's max_timeout limits waits given as infinite: seconds below 1000, else ms.
  const uint32_t limit =
      line == nullptr ? 0 : static_cast<uint32_t>(line->config.settings.max_timeout);
  if (infinite_ && limit != 0) {
    timeout_ = limit < 1000 ? limit * 1000 : limit;
    infinite_ = false;
    limited_ = true;
  }
}

uint32_t Wait::Remaining() const {
  if (infinite_) return kForever;
  const uint32_t elapsed = os::TickCount() - start_;
  return elapsed >= timeout_ ? 0 : timeout_ - elapsed;
}

void FailLine(VtxLine* line, MillArgs* args, uint32_t line_status, uint32_t flag) {
  Fail(args, line_status);
  if (line != nullptr) line->reset_status |= flag;
}

void TimedOut(VtxLine* line, MillArgs* args, const Wait& wait) {
  if (!wait.limited()) {
    SetResult(args, CV_STATUS_TIMEOUT, 0);
    return;
  }
  line->line_state = 0;
  if (line->pending_hangup == 0) line->pending_hangup = kHangupMaxTimeout;
  args->status = CV_STATUS_OK;
  api::CheckPendingHangup(line, args->no_hangup != 0, args);
}

void Overrun(VtxLine* line, MillArgs* args) {
  trace::Message(line, trace::kLevelError, "Packet receive/interrupt overrun");
  line->overrun = true;
  ++line->overrun_count;
  line->pending_hangup = kHangupOverrun;
  SetResult(args, CV_STATUS_ERROR_HANGUP, kHangupOverrun);
  line->reset_status |= kResetTransfer | kResetCondition;
}

void SystemFailure(VtxLine* line, MillArgs* args) {
  line->line_state = 0;
  FailLine(line, args, APIERR_DRV_IOCTL_ERR, kResetSystemError);
}

void DriverStatusError(VtxLine* line, MillArgs* args, const char* format, uint32_t drv_status) {
  trace::Message(line, trace::kLevelError, format, VtxDrvStatusName(drv_status));
  VtxDrvStatusToApiError(ResultOf(args), drv_status);
}

bool RefusedWhileNested(VtxLine* line, MillArgs* args) {
  if (line->async_depth != 0 || line->nesting == 0 || args->timeout == 0) return false;
  FailLine(line, args, APIERR_ASYNC_LP_ERR, 0);
  return true;
}

void FormPacketAt(MillArgs* args, uint8_t* packet) {
  args->pkt_buf = packet;
  MillFormPktHeader(args);
  memcpy(packet + args->pkt_len, args->cmd_buf, args->cmd_len);
  args->pkt_len += args->cmd_len;
}

}  // namespace vtx::packet
