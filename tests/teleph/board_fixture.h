// A line attached to module 2 itself, where the board maintenance operations work, with the
// module's image helpers: images that carry a version and end with their CRC-32.
#pragma once

#include <zlib.h>

#include <string>
#include <vector>

#include "admin.h"
#include "tests/support/attached_line.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {

class BoardLineTest : public AttachedLineTest {
 protected:
  void SetUp() override {
    AttachedLineTest::SetUp();
    module_ = AttachSession(1, 2, MILL_FACILITY_ADMIN);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_ != nullptr) Detach(module_);
    AttachedLineTest::TearDown();
  }
  // Commands of `facility` with `verb` (and `code`, unless any) the module received.
  std::vector<sim::FwCommand> Sent(uint32_t facility, uint32_t verb,
                                   uint32_t code = sim::kAnyCode) {
    std::vector<sim::FwCommand> found;
    for (const auto& cmd : board().CommandLog()) {
      if (cmd.facility == facility && cmd.verb == verb &&
          (code == sim::kAnyCode || cmd.code == code)) {
        found.push_back(cmd);
      }
    }
    return found;
  }
  // Hands the ADMIN event `tags` of `code` to the module line as its module sends it, and lets
  // the line process it.
  void DeliverToModule(uint32_t code, std::vector<sim::FwTag> tags) {
    sim::FwPacket event;
    event.Event(code, std::move(tags)).Facility(MILL_FACILITY_ADMIN);
    ASSERT_GE(machine().InjectEvent(2, 0, event), 1u);
    MillArgs receive{};
    receive.timeout = 1000;
    VtxRcvProcessPkt(module_, &receive);
  }
  // An image of `size` bytes naming `version` on its first line and ending with its CRC-32.
  static std::vector<uint8_t> Image(size_t size, const std::string& version = "") {
    std::vector<uint8_t> image(size);
    for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
    if (!version.empty()) {
      const std::string line = "TARROW FIRMWARE " + version + "\n";
      std::copy(line.begin(), line.end(), image.begin());
    }
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(size - 4));
    for (size_t i = 0; i < 4; ++i) image[size - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    return image;
  }
  std::string Write(const std::vector<uint8_t>& bytes, const char* name = "image.bin") {
    return dir_.Write(name, bytes);
  }

  VtxLine* module_ = nullptr;
  TempDir dir_;
};

}  // namespace vtx::testing
