// Sending packets on a line: single driver attempts bounded by the caller's time-out, with the
// choice of what to do about packets that wait to be received.
#include <cstring>

#include "api/driver_access.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
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

}  // namespace

int SendPkt(VtxLine* line, MillArgs* args) {
  if (line == nullptr || args->incoming_flag < 0 || args->incoming_flag > 1 ||
      args->pkt_buf == nullptr) {
    FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
    return MILL_SEND_FAILED;
  }
  if (RefusedContinue(line, args) || RefusedWhileNested(line, args)) return MILL_SEND_FAILED;
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
  const Wait wait(line, args->timeout);
  int result = 0;
  for (;;) {
    block.length = args->pkt_len;
    block.timeout_ms = wait.Remaining();
    block.options = options;
    if (!DriverRequest(line, -1, VTX_DRV_MSG_SEND, &block, "MSG_SEND")) {
      SystemFailure(line, args);
      return MILL_SEND_FAILED;
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
      TimedOut(line, args, wait);
      break;
    }
    if (status == kStsOverrun) {
      Overrun(line, args);
      return MILL_SEND_FAILED;
    }
    if (status == GDI_STS_INTR) {
      if (!wait.Passed()) continue;
      result |= MILL_SEND_FAILED;
      TimedOut(line, args, wait);
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

int TransmitPkt(VtxLine* line, MillArgs* args) {
  const int32_t incoming = args->incoming_flag;
  if (line == nullptr || incoming < 0 || incoming > 3) {
    FailLine(line, args, APIERR_BADPARAMETER, kResetTransfer);
    return MILL_SEND_FAILED;
  }
  const uint32_t timeout = args->timeout;
  const Wait wait(nullptr, timeout);
  int processed = 0;
  for (;;) {
    args->incoming_flag = incoming >= 2 ? 1 : incoming;
    args->timeout = wait.infinite() ? timeout : wait.Remaining();
    int result = SendPkt(line, args);
    args->incoming_flag = incoming;
    args->timeout = timeout;
    if ((result & (MILL_SEND_SENT | MILL_SEND_FAILED)) != 0) return result | processed;
    if ((result & MILL_SEND_INPUT_PENDING) != 0) {
      if (incoming <= 1) return result | processed;
      MillArgs input{};
      input.no_hangup = args->no_hangup;
      if (RcvProcessPkt(line, &input) != 1) {
        CopyResult(args, input);
        line->reset_status |= kResetTransfer;
        return processed | MILL_SEND_FAILED;
      }
      processed = MILL_SEND_PROCESSED;
      if (incoming == 3) return processed;
    }
    if (wait.Passed()) {
      SetResult(args, CV_STATUS_TIMEOUT, 0);
      return processed | MILL_SEND_FAILED;
    }
  }
}

int SendCmd(VtxLine* line, MillArgs* args) {
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
  uint8_t packet[kMaxPacket];
  uint8_t* const caller_buf = args->pkt_buf;
  const uint32_t caller_len = args->pkt_len;
  FormPacketAt(args, packet);
  const int result = TransmitPkt(line, args);
  args->pkt_buf = caller_buf;
  args->pkt_len = caller_len;
  return result;
}

int FormSendCmd(VtxLine* line, MillArgs* args) {
  const MillTagItem* tags = args->tag_list;
  // A command is formed whole before its size is checked: the buffer holds the largest one.
  uint8_t command[MILL_MAX_CMD_LEN + 2];
  uint8_t* const caller_cmd = args->cmd_buf;
  if (caller_cmd == nullptr) args->cmd_buf = command;
  int result;
  if (MillFormCmd(args, tags) < 0) {
    if (line != nullptr) line->reset_status |= kResetFormParse;
    result = MILL_SEND_FAILED;
  } else {
    result = SendCmd(line, args);
  }
  args->cmd_buf = caller_cmd;
  return result;
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
