// The packet lines of the API trace log: each command of a sent or received packet, decoded.
#include "trace/api_log.h"
#include "trace/decoder.h"

namespace vtx::trace {
namespace {

// As large as a whole trace line: a longer text would be cut there anyway.
constexpr size_t kTextSize = 16 * 1024;
constexpr uint8_t kPriorityFlag = 0x40;

}  // namespace

void Packet(const VtxLine* line, const uint8_t* bytes, size_t length, Direction direction) {
  if (Mask() == 0 || bytes == nullptr) return;
  const char* mark = direction == Direction::kSent ? ">" : "<";
  const char* priority = length > 2 && (bytes[2] & kPriorityFlag) != 0 ? "+" : "";
  // The parser reads the packet in place but takes a writable buffer; nothing is written to it.
  MillArgs args{};
  args.pkt_buf = const_cast<uint8_t*>(bytes);
  args.pkt_len = static_cast<uint32_t>(length);
  args.outgoing = direction == Direction::kSent ? 1 : 0;
  char text[kTextSize];
  int more;
  while ((more = MillGetCmd(&args)) == 1) {
    bool truncated = false;
    DecodeCommand(text, sizeof text, args.facility, args.cmd_buf, args.cmd_len, kDecodeData,
                  &truncated);
    if (text[0] != '\0') Message(line, kLevelPacket, "%s%s %s", mark, priority, text);
    if (truncated) break;
  }
  if (more != 0) Message(line, kLevelReset, "%s TRUNC", mark);
}

}  // namespace vtx::trace
