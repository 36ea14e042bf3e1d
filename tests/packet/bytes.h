// Small helpers of the packet tests: byte vectors and formed commands.
#pragma once

#include <cstdint>
#include <vector>

#include "api/address_mode.h"
#include "vtx.h"

namespace vtx::testing {

using Bytes = std::vector<uint8_t>;

// Forms a command of `verb` and `code` with `tags` (ended by an id 0); empty when refused.
inline Bytes FormCommand(uint32_t verb, uint32_t code, const MillTagItem* tags) {
  Bytes cmd(MILL_MAX_CMD_LEN + 2);
  MillArgs args{};
  args.cmd_buf = cmd.data();
  args.verb = verb;
  args.code = code;
  if (MillFormCmd(&args, tags) < 0) return {};
  cmd.resize(args.cmd_len);
  return cmd;
}

// A packet of the given commands with the header the host forms.
inline Bytes FormPacket(const std::vector<Bytes>& commands, const uint8_t dest[4],
                        const uint8_t src[4]) {
  Bytes packet(MILL_HEADER_LEN);
  MillArgs args{};
  args.pkt_buf = packet.data();
  for (const Bytes& cmd : commands) args.cmd_len += static_cast<uint32_t>(cmd.size());
  for (int i = 0; i < 4; ++i) {
    args.dest_addr[i] = dest[i];
    args.src_addr[i] = src[i];
  }
  MillFormPktHeader(&args);
  for (const Bytes& cmd : commands) packet.insert(packet.end(), cmd.begin(), cmd.end());
  return packet;
}

// Restores the full-byte address mode when a test has changed it.
class AddressModeGuard {
 public:
  explicit AddressModeGuard(bool full_byte) : saved_(FullByteAddressMode()) {
    SetFullByteAddressMode(full_byte);
  }
  ~AddressModeGuard() { SetFullByteAddressMode(saved_); }

 private:
  bool saved_;
};

}  // namespace vtx::testing
