#include "callctrl/board/exchange.h"

#include <cstring>

#include "api/line.h"
#include "hostctrl.h"
#include "os/clock.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"

namespace vtx::callctrl {
namespace {

constexpr uint32_t kMaxCommand = 256;  // the framework's commands are a few short tags

}  // namespace

Address ModuleAddress(uint32_t facility, uint32_t module) {
  return Address{{static_cast<uint8_t>(facility), 1, static_cast<uint8_t>(module), 0}};
}

Address ChannelAddress(uint32_t facility, uint32_t module, uint32_t unit) {
  return Address{{static_cast<uint8_t>(facility), 2, static_cast<uint8_t>(module),
                  static_cast<uint8_t>(unit)}};
}

Address HostControllerAddress() {
  return ModuleAddress(MILL_FACILITY_HOST_CTRL, 1);
}

bool SendCommandTo(VtxLine* line, const Address& dest, uint32_t facility, uint32_t verb,
                   uint32_t code, const MillTagItem* tags, uint32_t timeout_ms) {
  static const MillTagItem kNone[] = {{0, 0, 0, nullptr}};
  uint8_t command[kMaxCommand];
  MillArgs args{};
  args.cmd_buf = command;
  args.facility = facility;
  args.verb = verb;
  args.code = code;
  if (MillFormCmd(&args, tags != nullptr ? tags : kNone) < 0 || args.cmd_len > kMaxCommand) {
    return false;
  }
  // The facility travels in the source address, so that a packet to another session (whose
  // address names no facility) still says which facility it speaks for.
  memcpy(args.dest_addr, dest.bytes, 4);
  memcpy(args.src_addr, line->own_addr, 4);
  args.src_addr[0] = static_cast<uint8_t>(facility);
  args.pkt_saved = 1;
  uint8_t formed[MILL_HEADER_LEN + kMaxCommand];
  packet::FormPacketAt(&args, formed);
  args.incoming_flag = 0;  // what waits to be received stays for the reader
  args.no_hangup = 1;
  args.timeout = timeout_ms;
  return (packet::TransmitPkt(line, &args) & MILL_SEND_SENT) != 0;
}

int ReceivePacket(VtxLine* line, uint32_t timeout_ms, Received& out, VtxResult* failure) {
  MillArgs args{};
  args.pkt_buf = out.packet;
  args.pkt_len = sizeof out.packet;
  args.timeout = timeout_ms;
  args.no_hangup = 1;
  if (packet::ReceivePkt(line, &args) == 1) {
    out.length = args.pkt_len;
    return 1;
  }
  if (failure != nullptr) {
    failure->status = args.status;
    failure->line_status = args.line_status;
  }
  return args.status == CV_STATUS_TIMEOUT ? 0 : -1;
}

bool AwaitCommand(VtxLine* line, uint32_t facility, uint32_t verb, uint32_t code,
                  uint32_t timeout_ms, Received& out) {
  const uint32_t start = os::TickCount();
  for (;;) {
    uint32_t left = timeout_ms;
    if (timeout_ms != kWaitForever) {
      const uint32_t elapsed = os::TickCount() - start;
      if (elapsed >= timeout_ms) return false;
      left = timeout_ms - elapsed;
    }
    if (ReceivePacket(line, left, out, nullptr) != 1) return false;
    packet::PacketReader reader(out.packet, out.length);
    while (reader.Next(out.command)) {
      if (out.command.facility == facility && out.command.verb == verb &&
          (code == kAnyCommandCode || out.command.code == code)) {
        return true;
      }
    }
  }
}

}  // namespace vtx::callctrl
