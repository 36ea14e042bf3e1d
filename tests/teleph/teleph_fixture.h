// A line attached to module 2 whose capability set holds what the telephony operations test.
#pragma once

#include "api/line.h"
#include "tests/support/attached_line.h"

namespace vtx::testing {

class TelephLineTest : public AttachedLineTest {
 protected:
  void SetUp() override {
    AttachedLineTest::SetUp();
    SetCapability(87, true);
    SetCapability(70, true);
  }
  void SetCapability(uint32_t n, bool on) {
    uint8_t& byte = line_->capabilities[n / 8];
    byte = static_cast<uint8_t>(on ? byte | (1u << (n % 8)) : byte & ~(1u << (n % 8)));
  }
  // Commands of `facility` and request `code` the module received.
  size_t Requests(uint32_t facility, uint32_t code) {
    size_t count = 0;
    for (const auto& cmd : board().CommandLog()) {
      count += cmd.facility == facility && cmd.verb == MILL_VERB_REQUEST && cmd.code == code;
    }
    return count;
  }
};

}  // namespace vtx::testing
