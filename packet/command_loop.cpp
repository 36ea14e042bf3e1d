// Reading received packets command by command: stepping to the next command, waiting for a
// particular one, and receiving and processing one whole packet.
#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "os/clock.h"
#include "packet/async_frame.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr int kBytesPerDumpLine = 16;

// The bytes of a packet that could not be parsed, 16 to a line.
void DumpPacket(const VtxLine* line, const uint8_t* packet, uint32_t length) {
  trace::Message(line, trace::kLevelError, "Parse error, packet bytes follow");
  char text[kBytesPerDumpLine * 3 + 1];
  static const char kHex[] = "0123456789ABCDEF";
  for (uint32_t start = 0; start < length; start += kBytesPerDumpLine) {
    char* p = text;
    for (uint32_t i = start; i < length && i < start + kBytesPerDumpLine; ++i) {
      *p++ = kHex[packet[i] >> 4];
      *p++ = kHex[packet[i] & 0xF];
      *p++ = ' ';
    }
    *p = '\0';
    trace::Message(line, trace::kLevelError, "%s", text);
  }
}

struct GetNextState {
  uint32_t step;  // 0 between packets or commands, 1 receiving
};

int GetNextSteps(VtxLine* line, MillArgs* args, GetNextState& state) {
  constexpr uint32_t kReceiving = 1;
  if (state.step == 0 && args->pkt_saved == 0) {
    args->saved_pkt_buf = args->pkt_buf;
    args->saved_pkt_len = args->pkt_len;
    args->pkt_saved = 1;
  }
  for (;;) {
    if (args->cmd_buf == nullptr || state.step == kReceiving) {
      state.step = kReceiving;
      args->pkt_buf = args->saved_pkt_buf;
      args->pkt_len = args->saved_pkt_len;
      const int received = ReceivePkt(line, args);
      if (Continuing(args)) return 2;
      state.step = 0;
      if (received != 1) return received;
    }
    const int step = MillGetCmd(args);
    if (step == 1) {
      if (args->no_process != 0) return 1;
      args->cmd_parsed = 0;
      ProcessCmd(line, args);
      return args->status == CV_STATUS_OK ? 1 : 2;
    }
    if (step < 0) return 2;
    args->cmd_buf = nullptr;
    if (args->timeout == 0) {
      SetResult(args, CV_STATUS_TIMEOUT, 0);
      return 2;
    }
  }
}

struct WaitCmdState {
  uint32_t phase;  // 0 first entry, 1 waiting, 2 draining
  uint32_t facility, verb, code, timeout, start;
  bool matched;
  bool ended;  // matched or timed out: the rest of the packet is drained
};

int WaitOutcome(const MillArgs* args) {
  if (args->status == CV_STATUS_OK) return 1;
  return args->status == CV_STATUS_TIMEOUT ? 0 : -1;
}

int WaitCmdSteps(VtxLine* line, MillArgs* args, WaitCmdState& state) {
  constexpr uint32_t kWaiting = 1;
  constexpr uint32_t kDraining = 2;
  if (state.phase == 0) {
    state.facility = args->facility;
    state.verb = args->verb;
    state.code = args->code;
    state.timeout = args->timeout;
    state.start = os::TickCount();
    state.phase = kWaiting;
  }
  const uint32_t timeout = state.timeout;
  while (state.phase == kWaiting) {
    if (GetNextCmd(line, args) != 1) {
      if (Continuing(args)) return -1;
      state.ended = args->status == CV_STATUS_TIMEOUT;
      break;
    }
    if (args->facility == state.facility) {
      if (MillParseCmd(args) < 0) {
        line->reset_status |= kResetFormParse;
        return -1;
      }
      if (args->verb == state.verb && args->code == state.code) {
        state.matched = state.ended = true;
        break;
      }
    }
    const uint32_t elapsed = os::TickCount() - state.start;
    if (timeout != kForever && elapsed >= timeout) {
      SetResult(args, CV_STATUS_TIMEOUT, 0);
      state.ended = true;
      break;
    }
    if (timeout != kForever) args->timeout = timeout - elapsed;
  }
  if (state.phase == kWaiting) {
    if (!state.ended || args->no_drain != 0 || args->cmd_buf == nullptr) {
      return WaitOutcome(args);
    }
    state.phase = kDraining;
  }
  args->timeout = 0;
  while (GetNextCmd(line, args) == 1) {
  }
  if (Continuing(args)) return -1;
  if (state.matched && args->status == CV_STATUS_TIMEOUT) SetResult(args, CV_STATUS_OK, 0);
  return WaitOutcome(args);
}

struct RcvProcessState {
  uint32_t step;  // 0 first entry, 1 receiving
};

int RcvProcessSteps(VtxLine* line, MillArgs* args, RcvProcessState& state) {
  const char* name = "VtxRcvProcessPkt";
  if (state.step == 0) {
    trace::CallEntry(line, name, "timeout=%u,no_hangup=%d,pkt_buf=0x%lX,pkt_len=%u,ignore_data=%d",
                     args->timeout, args->no_hangup,
                     static_cast<unsigned long>(reinterpret_cast<uintptr_t>(args->pkt_buf)),
                     args->pkt_len, args->ignore_data);
    state.step = 1;
  }
  int result = ReceivePkt(line, args);
  if (Continuing(args)) return 2;
  if (result == 1) {
    uint8_t* const packet = args->pkt_buf;
    const uint32_t length = args->pkt_len;
    args->cmd_buf = nullptr;
    while (MillGetCmd(args) == 1) {
      args->cmd_parsed = 0;
      if (ProcessCmd(line, args) == 1) break;
    }
    result = args->status == CV_STATUS_OK ? 1 : 2;
    if (args->status == CV_STATUS_ERROR && args->line_status == APIERR_DATA) {
      // The DATA command and what follows it wait for the next receive on the line.
      line->pending_pkt = packet;
      line->pending_pkt_len = length;
      SetResult(args, CV_STATUS_TIMEOUT, 0);
    } else if (args->status == CV_STATUS_ERROR && args->line_status == APIERR_PACKET_PARSE) {
      DumpPacket(line, packet, length);
    }
  }
  trace::CallReturn(line, name, args, "ret=%d", result);
  return result;
}

}  // namespace

int GetNextCmd(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kGetNextCmd, GetNextSteps, 2);
}

int WaitCmd(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kWaitCmd, WaitCmdSteps, -1);
}

int RcvProcessPkt(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kRcvProcessPkt, RcvProcessSteps, 2);
}

}  // namespace vtx::packet

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int MillGetNextCmd(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::GetNextCmd, line, args);
}

extern "C" int MillWaitCmd(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::WaitCmd, line, args);
}

extern "C" int VtxRcvProcessPkt(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::RcvProcessPkt, line, args);
}
