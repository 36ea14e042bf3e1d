// What the send and receive operations share: the reset status flags they set, the maximum-wait
// rule, and the outcomes that every one of them reports the same way.
#pragma once

#include <cstdint>

#include "api/line.h"
#include "vtx.h"

namespace vtx::packet {

constexpr uint32_t kForever = 0xFFFFFFFF;
constexpr uint32_t kAsyncContinue = 0xFFFFFFFF;  // async_lp: continue the pending operation
constexpr uint32_t kHangupOverrun = 501;         // HNG_ packet receive/interrupt overrun
constexpr uint32_t kHangupMaxTimeout = 505;      // HNG_MAX_TIMEOUT
constexpr uint32_t kStsOverrun = 54;             // the driver's packet overrun status

// A wait bounded by a deadline. An infinite wait on a line with `max_timeout` becomes limited:
// `max_timeout` seconds when below 1000, else milliseconds.
class Wait {
 public:
  Wait() = default;  // an infinite wait; operations keep one in their state
  Wait(const VtxLine* line, uint32_t timeout);
  bool infinite() const { return infinite_; }
  bool limited() const { return limited_; }
  uint32_t timeout() const { return timeout_; }
  // Milliseconds left (0 once passed), or kForever for an infinite wait.
  uint32_t Remaining() const;
  bool Passed() const { return !infinite_ && Remaining() == 0; }

 private:
  uint32_t timeout_ = kForever;
  uint32_t start_ = 0;
  bool infinite_ = true;
  bool limited_ = false;
};

// `status` 2 with `line_status` and a reset status flag.
void FailLine(VtxLine* line, MillArgs* args, uint32_t line_status, uint32_t flag);
// A wait that ran out: `status` 6, or for a limited wait the pending hangup 505 reported by the
// hangup check.
void TimedOut(VtxLine* line, MillArgs* args, const Wait& wait);
// The driver reported a packet overrun.
void Overrun(VtxLine* line, MillArgs* args);
// A driver request failed at the system level (already traced by the request).
void SystemFailure(VtxLine* line, MillArgs* args);
// A driver status other than the expected ones: "<what> error %s", the status mapped.
void DriverStatusError(VtxLine* line, MillArgs* args, const char* format, uint32_t drv_status);
// Refuses (29) a synchronous operation that would wait while the line has an asynchronous
// operation pending.
bool RefusedWhileNested(VtxLine* line, MillArgs* args);

// Forms the packet of the command at cmd_buf (cmd_len bytes) into `packet`, which holds at least
// MILL_HEADER_LEN + cmd_len bytes, with the header of args (addresses, flags): pkt_buf and
// pkt_len then describe it.
void FormPacketAt(MillArgs* args, uint8_t* packet);

// Runs `call` as a synchronous caller would: outside the line's asynchronous frames, which stay
// as they are; `callback` marks an application callback, which may not start asynchronous work.
template <typename Call>
auto OutsideFrames(VtxLine* line, bool callback, Call call) {
  const uint32_t nesting = line->nesting;
  const uint32_t depth = line->async_depth;
  void* const frame = line->current_frame;
  const bool in_callback = line->in_callback;
  line->nesting = 0;
  line->async_depth = 0;
  line->current_frame = nullptr;
  line->in_callback = in_callback || callback;
  auto result = call();
  line->nesting = nesting;
  line->async_depth = depth;
  line->current_frame = frame;
  line->in_callback = in_callback;
  return result;
}

// Runs an application callback as the design wants it: not nested, marked as inside a callback.
template <typename Call>
auto InCallback(VtxLine* line, Call call) {
  return OutsideFrames(line, true, call);
}

}  // namespace vtx::packet
