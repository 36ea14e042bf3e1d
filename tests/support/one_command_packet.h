// A packet of one command, formed with the library's own forming operations: for tests and
// benchmarks that feed a receiver packets as a session would receive them.
#pragma once

#include <cstring>
#include <vector>

#include "vtx.h"

namespace vtx::testing {

// The command (facility, verb, code) with, when `padding` is not 0, one BYTE tag of that many
// bytes, addressed to `dest` from a source whose byte 0 is `source_facility` (the header says
// so). An empty vector when it cannot be formed.
inline std::vector<uint8_t> OneCommandPacket(const uint8_t dest[4], uint32_t source_facility,
                                             uint32_t facility, uint32_t verb, uint32_t code,
                                             size_t padding = 0) {
  std::vector<uint8_t> padded(padding, 0x55);
  const MillTagItem tags[] = {
      {0x40, MILL_TYPE_BYTE, static_cast<uint32_t>(padded.size()), padded.data()},
      {0, 0, 0, nullptr}};
  std::vector<uint8_t> command(padding + 64);
  MillArgs args{};
  args.cmd_buf = command.data();
  args.facility = facility;
  args.verb = verb;
  args.code = code;
  if (MillFormCmd(&args, padding > 0 ? tags : tags + 1) < 0) return {};
  std::vector<uint8_t> packet(MILL_HEADER_LEN + args.cmd_len);
  memcpy(args.dest_addr, dest, 4);
  args.src_addr[0] = static_cast<uint8_t>(source_facility);
  args.src_addr[1] = 1;
  args.pkt_saved = 1;
  args.pkt_buf = packet.data();
  if (MillFormPktHeader(&args) != MILL_HEADER_LEN) return {};
  memcpy(packet.data() + MILL_HEADER_LEN, command.data(), args.cmd_len);
  return packet;
}

}  // namespace vtx::testing
