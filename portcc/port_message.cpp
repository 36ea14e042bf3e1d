#include "portcc/port_message.h"

#include <cstring>

#include "api/line.h"
#include "callctrl/cc_object.h"
#include "ecc.h"
#include "trace/cc_trace.h"

namespace vtx::portcc {
namespace {

namespace cc = trace::cc;

constexpr uint8_t kChannelAddress = 2;  // address kind of a module's channel

void PutU32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Forms the request and its packet in `packet`; false when forming failed.
bool FormRequest(VtxLine* admin_line, uint32_t module, uint32_t port, const PortMessage& message,
                 uint8_t* packet, uint32_t capacity, MillArgs* args) {
  uint8_t command[MILL_MAX_SEND_CMD];
  const MillTagItem tags[] = {
      {ECC_PORT_MESSAGE_VAR, MILL_TYPE_BYTE, kPortMessageSize, message.data()},
      {0, 0, 0, nullptr},
  };
  args->cmd_buf = command;
  args->verb = MILL_VERB_REQUEST;
  args->code = ECC_PORT_MESSAGE_REQUEST;
  if (MillFormCmd(args, tags) < 0 || args->cmd_len + MILL_HEADER_LEN > capacity) return false;
  args->dest_addr[0] = MILL_FACILITY_ECC;
  args->dest_addr[1] = kChannelAddress;
  args->dest_addr[2] = static_cast<uint8_t>(module);
  args->dest_addr[3] = static_cast<uint8_t>(port + callctrl::kFirstPortChannel);
  memcpy(args->src_addr, admin_line->own_addr, 4);
  args->pkt_buf = packet;
  if (MillFormPktHeader(args) < 0) return false;
  memcpy(packet + MILL_HEADER_LEN, command, args->cmd_len);
  args->pkt_len = MILL_HEADER_LEN + args->cmd_len;
  args->cmd_buf = nullptr;
  return true;
}

}  // namespace

bool FormPortMessage(uint8_t port_id, uint8_t type, uint16_t selector, const uint8_t* data,
                     uint32_t size, PortMessage* message) {
  if (size > kPortMessageMaxData || (size > 0 && data == nullptr)) return false;
  message->fill(0);
  uint8_t* m = message->data();
  m[0] = port_id;
  m[1] = type;
  m[4] = static_cast<uint8_t>(selector);
  m[5] = static_cast<uint8_t>(selector >> 8);
  m[8] = 0;
  m[9] = 1;
  PutU32(m + 20, size);
  PutU32(m + 24, size);
  if (size > 0) memcpy(m + kPortMessageDataOffset, data, size);
  return true;
}

bool SendPortMessage(VtxLine* admin_line, uint32_t module, uint32_t port,
                     const PortMessage& message) {
  uint8_t packet[MILL_HEADER_LEN + MILL_MAX_SEND_CMD];
  MillArgs args{};
  bool sent = admin_line != nullptr &&
              FormRequest(admin_line, module, port, message, packet, sizeof packet, &args) &&
              (MillSendPkt(admin_line, &args) & MILL_SEND_SENT) != 0;
  if (!sent) {
    cc::Trace(cc::kInternalTrace, cc::kLevelError, "{%X, %d, %d} : SendCSMIMessage Failed", module,
              static_cast<int>(port), message[1]);
  }
  return sent;
}

}  // namespace vtx::portcc
