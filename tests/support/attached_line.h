// A simulated machine with one line attached to channel ordinal `unit` (module 2 by default).
#pragma once

#include <cstring>
#include <vector>

#include "admin.h"
#include "api/line.h"
#include "tests/support/simulated_board.h"

namespace vtx::testing {

class AttachedLineTest : public SimulatedBoardTest {
 protected:
  void SetUp() override {
    SimulatedBoardTest::SetUp();
    line_ = Attach(1);
    ASSERT_NE(line_, nullptr);
  }
  void TearDown() override {
    if (line_ != nullptr) Detach(line_);
    SimulatedBoardTest::TearDown();
  }
  VtxLine* Attach(int32_t unit) {
    VtxLineArgs args{};
    args.unit = unit;
    return VtxLineAttach(&args);
  }
  void Detach(VtxLine* line) {
    VtxLineArgs args{};
    EXPECT_EQ(VtxLineDetach(line, &args), 0);
  }
  // Queues raw bytes for the line as if its board had sent them.
  void Inject(std::vector<uint8_t> bytes) {
    ASSERT_TRUE(machine().InjectRaw(line_->own_addr, std::move(bytes)));
  }
  sim::Module& board() { return *machine().FindModule(2); }
  // Makes the module answer each request `code` of `facility` with the event `event` of `tags`.
  void AnswerRequest(uint32_t facility, uint32_t code, uint32_t event,
                     std::vector<sim::FwTag> tags) {
    board().firmware().Set(facility, MILL_VERB_REQUEST, code,
                           [event, tags](const sim::FwCommand&, sim::FwAnswer& answer) {
                             answer.Packet().Event(event, tags);
                           });
  }
  // A record for ADMIN's `verb` and `code`, waiting at most `timeout` ms.
  static MillArgs AdminArgs(uint32_t verb, uint32_t code = 0, uint32_t timeout = 1000) {
    MillArgs args{};
    args.facility = MILL_FACILITY_ADMIN;
    args.verb = verb;
    args.code = code;
    args.timeout = timeout;
    return args;
  }

  VtxLine* line_ = nullptr;
};

}  // namespace vtx::testing
