// A line attached to module 2 itself, where the board maintenance operations work, the commands
// the module received, and a folder for the files a test downloads.
#pragma once

#include <string>
#include <vector>

#include "admin.h"
#include "tests/support/attached_line.h"
#include "tests/support/firmware_image.h"
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
    return Received(board(), facility, verb, code);
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
  std::string Write(const std::vector<uint8_t>& bytes, const char* name = "image.bin") {
    return dir_.Write(name, bytes);
  }

  VtxLine* module_ = nullptr;
  TempDir dir_;
};

}  // namespace vtx::testing
