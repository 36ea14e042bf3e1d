// The board's critical sections as sessions of one machine see them: an acquire waits while
// another session holds the section and is answered, with the mark the holder left, when the
// holder lets go; a waiter that ends loses its place, a holder that ends keeps the section.
#include <gtest/gtest.h>

#include "admin.h"
#include "api/line.h"
#include "common.h"
#include "teleph/request.h"
#include "tests/support/simulated_board.h"

namespace {

using vtx::teleph::CommandTagInt;
using vtx::teleph::SendRequest;
using vtx::teleph::WaitEvent;

class CriticalSectionTest : public vtx::testing::SimulatedBoardTest {
 protected:
  VtxLine* Session() { return AttachSession(1, 2, MILL_FACILITY_ADMIN); }
  static void Detach(VtxLine* line) {
    VtxLineArgs args{};
    VtxLineDetach(line, &args);
  }
  static bool Send(VtxLine* line, uint32_t request, uint32_t mark = 0) {
    const MillTagItem tags[] = {{ADMIN_CRIT_SEC_ID_VAR, 0, 0, MILL_TAG_VALUE(1)},
                                {COMMON_RESULT_CODE_VAR, 0, 0, MILL_TAG_VALUE(mark)},
                                {0, 0, 0, nullptr}};
    VtxResult result{};
    return SendRequest(line, MILL_FACILITY_ADMIN, request, tags, &result);
  }
  // The RESULT_CODE of `event` when it is already there, else -1.
  static int64_t Answer(VtxLine* line, uint32_t event) {
    MillArgs wait;
    if (WaitEvent(line, &wait, MILL_FACILITY_ADMIN, event, 0) != 1) return -1;
    return CommandTagInt(wait, COMMON_RESULT_CODE_VAR);
  }
  sim::CriticalSection& Section() { return machine().FindModule(2)->critical_sections()[1]; }
};

TEST_F(CriticalSectionTest, WaitersAreAnsweredInTurnWithTheHoldersMark) {
  VtxLine* a = Session();
  VtxLine* b = Session();
  VtxLine* c = Session();
  ASSERT_TRUE(a != nullptr && b != nullptr && c != nullptr);
  ASSERT_TRUE(Send(a, ADMIN_CRIT_SEC_ACQUIRE_REQUEST));
  EXPECT_EQ(Answer(a, ADMIN_CRIT_SEC_ACQUIRED_EVENT), 0);
  ASSERT_TRUE(Send(c, ADMIN_CRIT_SEC_ACQUIRE_REQUEST));
  ASSERT_TRUE(Send(b, ADMIN_CRIT_SEC_ACQUIRE_REQUEST));
  EXPECT_EQ(Answer(c, ADMIN_CRIT_SEC_ACQUIRED_EVENT), -1);
  EXPECT_EQ(Section().waiting.size(), 2u);

  // A waiter that ends loses its place; one that is not the holder cannot release.
  Detach(c);
  EXPECT_EQ(Section().waiting.size(), 1u);
  ASSERT_TRUE(Send(b, ADMIN_CRIT_SEC_RELEASE_REQUEST, 1));
  EXPECT_EQ(Answer(b, ADMIN_CRIT_SEC_RELEASED_EVENT), 1);
  EXPECT_TRUE(Section().waiting.empty());
  ASSERT_TRUE(Send(b, ADMIN_CRIT_SEC_ACQUIRE_REQUEST));

  ASSERT_TRUE(Send(a, ADMIN_CRIT_SEC_RELEASE_REQUEST, 1));
  EXPECT_EQ(Answer(a, ADMIN_CRIT_SEC_RELEASED_EVENT), 0);
  EXPECT_EQ(Answer(b, ADMIN_CRIT_SEC_ACQUIRED_EVENT), 1);
  EXPECT_EQ(Section().holder, b->session);

  // The holder's session ends: the section stays taken until it is reset.
  Detach(b);
  EXPECT_TRUE(Section().taken);
  ASSERT_TRUE(Send(a, ADMIN_CRIT_SEC_RESET_REQUEST));
  EXPECT_FALSE(Section().taken);
  EXPECT_EQ(Section().mark, 0u);
  ASSERT_TRUE(Send(a, ADMIN_CRIT_SEC_ACQUIRE_REQUEST));
  EXPECT_EQ(Answer(a, ADMIN_CRIT_SEC_ACQUIRED_EVENT), 0);
  Detach(a);
}

}  // namespace
