// Reading a received (or formed) packet: its header and the commands that follow it. The bytes
// given (pkt_buf, pkt_len) bound everything; the header's own length field is not trusted.
#include <cstddef>

#include "api/address_mode.h"
#include "api/frame.h"
#include "api/result.h"
#include "packet/encoding.h"
#include "packet/outcome.h"

namespace vtx::packet {
namespace {

// In 7-bit mode an address is 1 to 4 bytes, the last one with bit 7 clear; the bytes are kept
// as read and the unread ones are 0. Returns the bytes read, 0 when it runs past `avail`.
size_t ReadAddress(const uint8_t* in, size_t avail, bool full_byte, uint8_t address[4]) {
  for (int i = 0; i < 4; ++i) address[i] = 0;
  if (full_byte) {
    if (avail < 4) return 0;
    for (int i = 0; i < 4; ++i) address[i] = in[i];
    return 4;
  }
  for (size_t n = 0; n < 4 && n < avail; ++n) {
    address[n] = in[n];
    if ((in[n] & 0x80) == 0 || n == 3) return n + 1;
  }
  return 0;
}

// Reads the header into args; returns its length, 0 on a format error.
size_t ReadHeader(MillArgs* args) {
  const uint8_t* in = args->pkt_buf;
  const size_t avail = args->pkt_len;
  if (avail < MILL_HEADER_LEN) return 0;
  const bool full_byte = FullByteAddressMode();
  args->pkt_len_field = GetFixed(in, 2);
  args->pkt_flags = in[2];
  size_t used = 3;
  const size_t dest = ReadAddress(in + used, avail - used, full_byte, args->dest_addr);
  if (dest == 0) return 0;
  used += dest;
  const size_t src = ReadAddress(in + used, avail - used, full_byte, args->src_addr);
  if (src == 0) return 0;
  return used + src;
}

// The facility of the packet's commands.
uint32_t PacketFacility(const MillArgs* args) {
  if (args->pkt_flags & MILL_PKT_SRC_FACILITY) return args->src_addr[0] & AddressByteMask();
  if (FullByteAddressMode()) return args->dest_addr[0];
  // 7-bit mode: a packet the host formed names its facility in the destination, a received
  // one in the source.
  return (args->outgoing ? args->dest_addr[0] : args->src_addr[0]) & 0x7F;
}

}  // namespace
}  // namespace vtx::packet

using vtx::Fail;
using vtx::packet::ParseError;

static int GetPktHeaderWorker(MillArgs* args) {
  if (args->pkt_buf == nullptr) return Fail(args, APIERR_BADPARAMETER);
  const size_t used = vtx::packet::ReadHeader(args);
  if (used == 0) return ParseError(args, "packet header");
  args->pkt_buf += used;
  args->pkt_len -= static_cast<uint32_t>(used);
  return static_cast<int>(used);
}

// After the header, pkt_buf and pkt_len describe the bytes of the commands.
static int GetCmdWorker(MillArgs* args) {
  static const char kItem[] = "getting command from packet";
  if (args->pkt_buf == nullptr) return Fail(args, APIERR_BADPARAMETER);
  size_t next;
  if (args->cmd_buf == nullptr) {
    const size_t used = vtx::packet::ReadHeader(args);
    if (used == 0) return ParseError(args, kItem);
    args->pkt_buf += used;
    args->pkt_len -= static_cast<uint32_t>(used);
    args->facility = vtx::packet::PacketFacility(args);
    next = 0;
  } else {
    if (args->cmd_buf < args->pkt_buf) return ParseError(args, kItem);
    next = static_cast<size_t>(args->cmd_buf - args->pkt_buf) + args->cmd_len;
    if (next > args->pkt_len) return ParseError(args, kItem);
  }
  const size_t left = args->pkt_len - next;
  if (left == 0) {
    args->cmd_buf = args->pkt_buf + next;
    args->cmd_len = 0;
    return 0;
  }
  if (left < 2) return ParseError(args, kItem);
  const uint32_t length = vtx::packet::GetFixed(args->pkt_buf + next, 2);
  if (length > left - 2) return ParseError(args, kItem);
  args->cmd_buf = args->pkt_buf + next;
  args->cmd_len = length + 2;
  return 1;
}

// The public entries pass through the call frame like every operation of the library.
using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" {

int MillGetPktHeader(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(GetPktHeaderWorker, args);
}

int MillGetCmd(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(GetCmdWorker, args);
}

}  // extern "C"
