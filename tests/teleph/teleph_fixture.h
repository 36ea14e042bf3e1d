// A line attached to module 2 whose capability set holds what the telephony operations test.
#pragma once

#include "api/line.h"
#include "tests/support/attached_line.h"

namespace vtx::testing {

class TelephLineTest : public AttachedLineTest {
 protected:
  void SetUp() override {
    AttachedLineTest::SetUp();
    vtx::SetCapability(line_, 87);
    vtx::SetCapability(line_, 70);
  }
  // The final configuration never clears a capability; a test takes one away by hand.
  void ClearCapability(uint32_t n) {
    line_->firmware.capabilities[n / 8] &= static_cast<uint8_t>(~(1u << (n % 8)));
  }
  // Commands of `facility` and request `code` the module received.
  size_t Requests(uint32_t facility, uint32_t code) {
    return Received(board(), facility, MILL_VERB_REQUEST, code).size();
  }
};

}  // namespace vtx::testing
