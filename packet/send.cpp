// Sending packets on a line: single driver attempts bounded by the caller's time-out, with the
// choice of what to do about packets that wait to be received.
#include <cstring>

#include "api/driver_access.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "packet/async_frame.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr uint32_t kMaxPacket = MILL_HEADER_LEN + MILL_MAX_SEND_CMD;

uint32_t AddressWord(const uint8_t address[4]) {
  uint32_t word;
  memcpy(&word, address, 4);
  return word;
}

// A send stops at a queued request (status 9) and, when its notice comes, counts as sent.
struct SendPktState {
  uint32_t step;  // 0 first entry, 1 queued by the driver
  int result;
  Wait wait;
};

int SendPktSteps(VtxLine* line, MillArgs* args, SendPktState& state) {
  constexpr uint32_t kQueued = 1;
  if (state.step == kQueued) {
    if (TakeTimedOut(line)) {
      TimedOut(line, args, state.wait);
      return state.result | MILL_SEND_FAILED;
    }
    args->pkt_len_field = args->pkt_len;
    return state.result | MILL_SEND_SENT;
  }
  if (line == nullptr || args->incoming_flag < 0 || args->incoming_flag > 1 ||
      args->pkt_buf == nullptr) {
    FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
    return MILL_SEND_FAILED;
  }
  if (RefusedWhileNested(line, args)) return MILL_SEND_FAILED;
  VtxDrvMsgBlock block{};
  block.session = line->session;
  block.buffer = args->pkt_buf;
  if (args->raw_data != 0) {
    block.options = VTX_MSG_RAW;
    block.dest_address = AddressWord(args->dest_addr);
    block.src_address = AddressWord(args->src_addr);
    block.data_bits = args->data_bits;
    block.stream = args->var_value;
  } else {
    trace::Packet(line, args->pkt_buf, args->pkt_len, trace::Direction::kSent);
    if (args->pkt_len > 2 && (args->pkt_buf[2] & MILL_PKT_PRIORITY) != 0) {
      block.options = VTX_MSG_PRIORITY;
    }
  }
  if (args->incoming_flag == 1) block.options |= VTX_MSG_REFUSE_IF_INPUT;
  if (args->send_option8 != 0) block.options |= VTX_MSG_OPTION8;
  const uint32_t options = block.options;
  state.wait = Wait(line, args->timeout);
  int& result = state.result;
  for (;;) {
    block.length = args->pkt_len;
    block.timeout_ms = state.wait.Remaining();
    block.options = options;
    const Issued issued = IssueMessage(line, args, true, &block);
    if (issued == Issued::kFailed) return MILL_SEND_FAILED;
    if (issued == Issued::kQueued) {
      state.step = kQueued;
      return result;
    }
    if (args->incoming_flag == 1 && (block.options & VTX_MSG_REFUSE_IF_INPUT) != 0) {
      result |= MILL_SEND_INPUT_PENDING;
    }
    const uint32_t status = block.drv_status;
    if (status == GDI_STS_OK || (status == GDI_STS_INTR && block.length != 0)) {
      result |= MILL_SEND_SENT;
      break;
    }
    if (status == GDI_STS_RESOURCES) {
      if ((result & MILL_SEND_INPUT_PENDING) != 0) break;
      result |= MILL_SEND_FAILED;
      TimedOut(line, args, state.wait);
      break;
    }
    if (status == kStsOverrun) {
      Overrun(line, args);
      return MILL_SEND_FAILED;
    }
    if (status == GDI_STS_INTR) {
      if (!state.wait.Passed()) continue;
      result |= MILL_SEND_FAILED;
      TimedOut(line, args, state.wait);
      break;
    }
    result |= MILL_SEND_FAILED;
    DriverStatusError(line, args, "Send error %s", status);
    line->reset_status |= status == GDI_STS_ADDRESS_INVALID ? kResetAddressGone : kResetTransfer;
    break;
  }
  args->pkt_len_field = block.length;
  return result;
}

// The send loop: each attempt a nested send, packets waiting to be received processed between
// attempts when `incoming_flag` asks for it.
struct TransmitState {
  uint32_t step;  // 0 first entry, 1 sending, 2 processing input
  int32_t incoming;
  uint32_t timeout;
  int processed;
  Wait wait;
};

int TransmitSteps(VtxLine* line, MillArgs* args, TransmitState& state) {
  constexpr uint32_t kSending = 1;
  constexpr uint32_t kProcessing = 2;
  if (state.step == 0) {
    if (line == nullptr || args->incoming_flag < 0 || args->incoming_flag > 3) {
      FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
      return MILL_SEND_FAILED;
    }
    state.incoming = args->incoming_flag;
    state.timeout = args->timeout;
    state.wait = Wait(nullptr, args->timeout);
    state.step = kSending;
  }
  const int32_t incoming = state.incoming;
  for (;;) {
    if (state.step == kSending) {
      args->incoming_flag = incoming >= 2 ? 1 : incoming;
      args->timeout = state.wait.infinite() ? state.timeout : state.wait.Remaining();
      const int result = SendPkt(line, args);
      args->incoming_flag = incoming;
      args->timeout = state.timeout;
      if (Continuing(args)) return result;
      if ((result & (MILL_SEND_SENT | MILL_SEND_FAILED)) != 0) return result | state.processed;
      if ((result & MILL_SEND_INPUT_PENDING) == 0) {
        // Neither sent nor refused for input: the wait decides below.
      } else if (incoming <= 1) {
        return result | state.processed;
      } else {
        state.step = kProcessing;
      }
    }
    if (state.step == kProcessing) {
      MillArgs input{};
      input.no_hangup = args->no_hangup;
      const int received = RcvProcessPkt(line, &input);
      if (Continuing(&input)) {
        CopyResult(args, input);
        return 0;
      }
      state.step = kSending;
      if (received != 1) {
        CopyResult(args, input);
        line->reset_status |= kResetTransfer;
        return state.processed | MILL_SEND_FAILED;
      }
      state.processed = MILL_SEND_PROCESSED;
      if (incoming == 3) return state.processed;
    }
    if (state.wait.Passed()) {
      SetResult(args, CV_STATUS_TIMEOUT, 0);
      return state.processed | MILL_SEND_FAILED;
    }
  }
}

// The command's packet is formed once, in the state, so that a continued send sends it unchanged.
struct SendCmdState {
  uint32_t step;  // 0 first entry, 1 transmitting
  uint8_t* caller_buf;
  uint32_t caller_len;
  uint8_t packet[kMaxPacket];
};

int SendCmdSteps(VtxLine* line, MillArgs* args, SendCmdState& state) {
  if (state.step == 0) {
    if (line == nullptr || args->cmd_buf == nullptr) {
      FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
      return MILL_SEND_FAILED;
    }
    if (args->cmd_len > MILL_MAX_SEND_CMD) {
      FailLine(line, args, APIERR_INSUFF_BUFFER, kResetTransfer);
      return MILL_SEND_FAILED;
    }
    memcpy(args->dest_addr, line->dest_addr, 4);
    args->dest_addr[0] = static_cast<uint8_t>(args->facility);
    if (args->use_alt_chan != 0) args->dest_addr[1] = static_cast<uint8_t>(args->use_alt_chan);
    memcpy(args->src_addr, line->own_addr, 4);
    args->pkt_flags = args->prio > 0 ? MILL_PKT_PRIORITY : 0;
    state.caller_buf = args->pkt_buf;
    state.caller_len = args->pkt_len;
    FormPacketAt(args, state.packet);
    state.step = 1;
  }
  const int result = TransmitPkt(line, args);
  if (Continuing(args)) return result;
  args->pkt_buf = state.caller_buf;
  args->pkt_len = state.caller_len;
  return result;
}

struct FormSendState {
  uint32_t step;  // 0 first entry, 1 sending
  uint8_t* caller_cmd;
};

int FormSendSteps(VtxLine* line, MillArgs* args, FormSendState& state) {
  // A command is formed whole before its size is checked: the buffer holds the largest one. The
  // send copies it into its packet before it can stop, so the buffer need not outlive this call.
  uint8_t command[MILL_MAX_CMD_LEN + 2];
  if (state.step == 0) {
    state.caller_cmd = args->cmd_buf;
    if (args->cmd_buf == nullptr) args->cmd_buf = command;
    if (MillFormCmd(args, args->tag_list) < 0) {
      if (line != nullptr) line->reset_status |= kResetFormParse;
      args->cmd_buf = state.caller_cmd;
      return MILL_SEND_FAILED;
    }
    state.step = 1;
  }
  const int result = SendCmd(line, args);
  if (!Continuing(args)) args->cmd_buf = state.caller_cmd;
  return result;
}

}  // namespace

int SendPkt(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kSendPkt, SendPktSteps, static_cast<int>(MILL_SEND_FAILED));
}

int TransmitPkt(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kTransmitPkt, TransmitSteps, static_cast<int>(MILL_SEND_FAILED));
}

int SendCmd(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kSendCmd, SendCmdSteps, static_cast<int>(MILL_SEND_FAILED));
}

int FormSendCmd(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kFormSendCmd, FormSendSteps, static_cast<int>(MILL_SEND_FAILED));
}

}  // namespace vtx::packet

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int MillSendPkt(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::SendPkt, line, args);
}

extern "C" int MillTransmitPkt(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::TransmitPkt, line, args);
}

extern "C" int MillSendCmd(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::SendCmd, line, args);
}

extern "C" int MillFormSendCmd(VtxLine* line, MillArgs* args, const MillTagItem* tags) {
  args->tag_list = tags;
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::FormSendCmd, line, args);
}
