// Receiving one packet on a line, and emptying the line's input or output queue.
#include <cstring>

#include "api/driver_access.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "packet/async_frame.h"
#include "packet/encoding.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

// A kept-back packet whose first command is DATA hands its data out raw: the header (11 bytes),
// the command's length and verb, the bit count and the stream come off the front.
constexpr uint32_t kRawDataOffset = 18;

void TakePending(VtxLine* line, MillArgs* args) {
  args->pkt_buf = line->pending_pkt;
  args->pkt_len = line->pending_pkt_len;
  line->pending_pkt = nullptr;
  line->pending_pkt_len = 0;
  if (args->raw_data == 0) return;
  const uint8_t* p = args->pkt_buf;
  if (args->pkt_len > 13 && p[13] == MILL_VERB_DATA && args->pkt_len >= kRawDataOffset) {
    args->data_bits = GetFixed(p + 14, 2);
    args->var_value = GetFixed(p + 16, 2);
    args->pkt_buf += kRawDataOffset;
    args->pkt_len -= kRawDataOffset;
  } else {
    args->raw_data = 0;
  }
}

void AddressBytes(uint32_t word, uint8_t address[4]) {
  memcpy(address, &word, 4);
}

// A receive whose request the driver queued issues it again after the notice, which delivers
// the packet that completed it.
struct ReceiveState {
  uint32_t step;  // 0 first entry, 1 receiving
  Wait wait;
  uint8_t* buffer;  // the buffer received into, and its size
  uint32_t size;
};

int ReceiveSteps(VtxLine* line, MillArgs* args, ReceiveState& state) {
  constexpr uint32_t kReceiving = 1;
  if (state.step == 0) {
    if (line == nullptr || (args->pkt_len != 0 && args->pkt_buf == nullptr)) {
      FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
      return 2;
    }
    if (line->pending_pkt != nullptr) {
      TakePending(line, args);
      return 1;
    }
    if (RefusedWhileNested(line, args)) return 2;
    if (args->pkt_buf == nullptr) {
      args->pkt_buf = line->receive_buffer;
      args->pkt_len = sizeof line->receive_buffer;
    }
    state.wait = Wait(line, args->timeout);
    state.buffer = args->pkt_buf;
    state.size = args->pkt_len;
    state.step = kReceiving;
  } else if (TakeTimedOut(line)) {
    TimedOut(line, args, state.wait);
    return 2;
  } else {
    args->pkt_buf = state.buffer;
    args->pkt_len = state.size;
  }
  VtxDrvMsgBlock block{};
  for (;;) {
    block.session = line->session;
    block.buffer = args->pkt_buf;
    block.length = args->pkt_len;
    block.timeout_ms = state.wait.Remaining();
    block.options = args->raw_data != 0 ? VTX_MSG_RAW : 0;
    const Issued issued = IssueMessage(line, args, false, &block);
    if (issued == Issued::kFailed) return 2;
    if (issued == Issued::kQueued) return 1;
    const uint32_t status = block.drv_status;
    if (status == GDI_STS_OK || (status == GDI_STS_INTR && block.length != 0)) break;
    if (status == GDI_STS_INTR && !state.wait.Passed()) continue;
    if (status == GDI_STS_NODATA || status == GDI_STS_INTR) {
      TimedOut(line, args, state.wait);
    } else if (status == GDI_STS_SIZE) {
      FailLine(line, args, APIERR_INSUFF_BUFFER, kResetTransfer);
    } else if (status == kStsOverrun) {
      Overrun(line, args);
    } else {
      DriverStatusError(line, args, "Receive error %s", status);
      if (args->line_status == APIERR_DRV_IOCTL_ERR) args->line_status = APIERR_PACKET_RECEIVE;
      line->reset_status |= kResetTransfer;
    }
    return 2;
  }
  args->pkt_len = block.length;
  if ((block.options & VTX_MSG_RAW) != 0) {
    AddressBytes(block.dest_address, args->dest_addr);
    AddressBytes(block.src_address, args->src_addr);
    args->data_bits = block.data_bits;
    args->var_value = block.stream;
  } else {
    trace::Packet(line, args->pkt_buf, args->pkt_len, trace::Direction::kReceived);
    args->raw_data = 0;
  }
  return 1;
}

}  // namespace

int ReceivePkt(VtxLine* line, MillArgs* args) {
  return RunOp(line, args, OpId::kReceivePkt, ReceiveSteps, 2);
}

namespace {

// CLEAR_INPUT and CLEAR_OUTPUT share their block and outcomes.
void Clear(VtxLine* line, MillArgs* args, uint32_t subcommand, const char* name,
           uint32_t dest_address) {
  if (line == nullptr) {
    FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
    return;
  }
  if (args->async_lp != 0) {
    FailLine(line, args, APIERR_ASYNC_LP_ERR, 0);
    trace::CallReturn(line, "unknown", args, nullptr);
    return;
  }
  VtxDrvClearBlock block{};
  block.session = line->session;
  block.dest_address = dest_address;
  block.clear_option = args->clear_option;
  if (!DriverRequest(line, -1, subcommand, &block, name)) {
    SystemFailure(line, args);
    return;
  }
  VtxDrvStatusToApiError(ResultOf(args), block.drv_status);
}

void ClearInput(VtxLine* line, MillArgs* args) {
  Clear(line, args, VTX_DRV_CLEAR_INPUT, "CLEAR_INPUT", 0);
}

void ClearOutput(VtxLine* line, MillArgs* args) {
  uint32_t dest;
  memcpy(&dest, args->dest_addr, 4);
  Clear(line, args, VTX_DRV_CLEAR_OUTPUT, "CLEAR_OUTPUT", dest);
}

void ClearOutputFacility(VtxLine* line, MillArgs* args) {
  if (line != nullptr) {
    memcpy(args->dest_addr, line->dest_addr, 4);
    args->dest_addr[0] = static_cast<uint8_t>(args->facility);
    if (args->use_alt_chan != 0) args->dest_addr[1] = static_cast<uint8_t>(args->use_alt_chan);
  }
  ClearOutput(line, args);
}

}  // namespace
}  // namespace vtx::packet

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int MillReceivePkt(VtxLine* line, MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(vtx::packet::ReceivePkt, line, args);
}

extern "C" void MillClearInput(VtxLine* line, MillArgs* args) {
  Framed<Family::kPacket, Carry::kOutput>(vtx::packet::ClearInput, line, args);
}

extern "C" void MillClearOutput(VtxLine* line, MillArgs* args) {
  Framed<Family::kPacket, Carry::kOutput>(vtx::packet::ClearOutput, line, args);
}

extern "C" void MillClearOutputFacility(VtxLine* line, MillArgs* args) {
  Framed<Family::kPacket, Carry::kOutput>(vtx::packet::ClearOutputFacility, line, args);
}
