#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/address_mode.h"
#include "tests/support/capture.h"
#include "trace/api_log.h"

namespace vtx::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// A packet to ADMIN (full-byte addresses) of two commands: EVENT MODULE_RESET_DONE and SET
// VER_MAJOR 5, with the header flags `flags`.
Bytes AdminPacket(uint8_t flags) {
  return Bytes{0x00, 0x00, flags, 0x01, 0x01, 0x02, 0x00, 0x0B, 0x01, 0x01, 0x00,  // header
               0x02, 0x00, 0x08,  0x07,                                            // EVENT 7
               0x05, 0x00, 0x04,  0x03, 0x1F, 0x00, 0x05};                         // SET
}

TEST(PacketLines, EveryCommandIsOneLineWithItsDirection) {
  SetFullByteAddressMode(true);
  TraceCapture capture(trace::kLevelPacket | trace::kLevelReset);
  const Bytes packet = AdminPacket(0x44);
  trace::Packet(nullptr, packet.data(), packet.size(), trace::Direction::kSent);
  EXPECT_EQ(capture.messages(),
            (std::vector<std::string>{
                ">+ (01) ADMIN (08) EVENT (07) MODULE_RESET_DONE ",
                ">+ (01) ADMIN (04) SET \n    (1F) VER_MAJOR [00: Fix Uns Byte Unitless] 05 "}));

  // Cut inside the second command: the first one is shown, then the truncation.
  capture.Clear();
  const Bytes cut(packet.begin(), packet.end() - 2);
  trace::Packet(nullptr, cut.data(), cut.size(), trace::Direction::kReceived);
  const std::vector<std::string> messages = capture.messages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages.front(), "<+ (01) ADMIN (08) EVENT (07) MODULE_RESET_DONE ");
  EXPECT_EQ(messages.back(), "< TRUNC");

  // Nothing at all with the mask off; only the truncation line at level 1.
  TraceCapture off(0);
  trace::Packet(nullptr, packet.data(), packet.size(), trace::Direction::kSent);
  EXPECT_TRUE(off.lines().empty());
  TraceCapture resets(trace::kLevelReset);
  trace::Packet(nullptr, cut.data(), cut.size(), trace::Direction::kSent);
  EXPECT_EQ(resets.messages(), std::vector<std::string>{"> TRUNC"});
}

}  // namespace
}  // namespace vtx::testing
