// The pending hangup and alert check: turns a hangup or alert that the packet layer recorded on
// a line into the result words of the operation that meets it.
#pragma once

#include "api/result.h"
#include "vtx.h"

namespace vtx::api {

// The pending code that stands for an alert rather than a hangup.
constexpr uint32_t kPendingAlert = 900;

// Reports the line's pending alert (status 7) or hangup (status 4) into `result`; a hangup
// below 500 waits while `no_hangup` is set, and a status already set is kept. Returns 1 when it
// reported or consumed something, else 0.
int CheckPendingHangup(VtxLine* line, bool no_hangup, VtxResult* result);

// The same for an argument record that begins with the result words.
template <typename Args>
int CheckPendingHangup(VtxLine* line, bool no_hangup, Args* args) {
  VtxResult result{args->status, args->line_status};
  int reported = CheckPendingHangup(line, no_hangup, &result);
  CopyResult(args, result);
  return reported;
}

}  // namespace vtx::api
