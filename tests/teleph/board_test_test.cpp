#include <gtest/gtest.h>

#include <vector>

#include "admin.h"
#include "sim/maintenance.h"
#include "tests/support/capture.h"
#include "tests/teleph/board_fixture.h"

namespace {

using vtx::testing::TraceCapture;

struct Heard {
  uint32_t mask, type, error;
  bool in_callback;
};
std::vector<Heard> g_heard;
void Listen(VtxLine* line, VtxTestStatus* status) {
  g_heard.push_back({status->words[3], status->words[5], status->words[6], line->in_callback});
}

class BoardTestTest : public vtx::testing::BoardLineTest {
 protected:
  void SetUp() override {
    BoardLineTest::SetUp();
    g_heard.clear();
    vtx::SetCapability(module_, 91);
  }
  VtxBoardTestArgs Args(uint32_t iterations, VtxBoardTestFunc func) {
    VtxBoardTestArgs args{};
    args.iterations = iterations;
    args.test_mask = 0x5;
    args.func = func;
    return args;
  }
};

TEST_F(BoardTestTest, SeriesWithAFunctionHearsEveryStatus) {
  board().maintenance().test.failure_mask = 0x4;
  VtxBoardTestArgs args = Args(3, Listen);
  TraceCapture trace(0x4);
  VtxBoardTest(module_, &args);
  EXPECT_EQ(args.status, 0u) << args.line_status;
  EXPECT_EQ(board().maintenance().test.runs, 3u);
  auto starts = Sent(MILL_FACILITY_ADMIN, MILL_VERB_START, ADMIN_BOARD_TEST_MODE);
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[0].Find(ADMIN_BOARD_TEST_MASK_VAR)->data, (std::vector<uint8_t>{5, 0, 0, 0}));
  // Started once, two statuses per run (test 0x4 failing with its error information), ended once.
  ASSERT_EQ(g_heard.size(), 8u);
  EXPECT_EQ(g_heard[0].mask, VTX_TEST_SERIES);
  EXPECT_EQ(g_heard[0].type, 0u);
  EXPECT_EQ(g_heard[1].mask, 0x1u);
  EXPECT_EQ(g_heard[1].type, 0u);
  EXPECT_EQ(g_heard[2].mask, 0x4u);
  EXPECT_EQ(g_heard[2].type, 1u);
  EXPECT_EQ(g_heard[2].error, 0x4u);
  EXPECT_EQ(g_heard[7].mask, VTX_TEST_SERIES);
  EXPECT_EQ(g_heard[7].type, 1u);
  for (const Heard& heard : g_heard) EXPECT_TRUE(heard.in_callback);
  EXPECT_FALSE(module_->in_callback);
  EXPECT_EQ(board().reset_count, 2u);
  EXPECT_EQ(board().reconfig_values, (std::vector<uint32_t>{0, 0}));
  for (const char* step : {"Pre board test module reset", "Pre board test module reconfig",
                           "Post board test module reset", "Post board test module reconfig"}) {
    EXPECT_TRUE(trace.Contains(step)) << step;
  }
}

TEST_F(BoardTestTest, WithoutFunctionOrIterationsLess) {
  VtxBoardTestArgs args = Args(0, Listen);
  VtxBoardTest(module_, &args);
  EXPECT_EQ(args.status, 0u);
  EXPECT_TRUE(board().CommandLog().empty());
  EXPECT_EQ(board().reset_count, 0u);
  EXPECT_TRUE(g_heard.empty());

  // The function stays with the line: a later status still reaches it.
  DeliverToModule(ADMIN_BOARD_TEST_STATUS_EVENT,
                  {sim::FwTag::Int(ADMIN_BOARD_TEST_MASK_VAR, MILL_TYPE_LONG, 0x80),
                   sim::FwTag::Int(ADMIN_BOARD_TEST_STATUS_TYPE_VAR, MILL_TYPE_BYTE, 2),
                   sim::FwTag::Int(ADMIN_BOARD_TEST_ERR_INFO_VAR, MILL_TYPE_LONG, 77)});
  ASSERT_EQ(g_heard.size(), 1u);
  EXPECT_EQ(g_heard[0].mask, 0x80u);
  EXPECT_EQ(g_heard[0].type, 2u);
  EXPECT_EQ(g_heard[0].error, 77u);

  args = Args(2, nullptr);
  VtxBoardTest(module_, &args);
  EXPECT_EQ(args.status, 0u);
  EXPECT_EQ(board().maintenance().test.runs, 2u);
  EXPECT_EQ(board().reset_count, 1u) << "no closing reset without a function";
  EXPECT_EQ(board().reconfig_values.size(), 1u);
}

TEST_F(BoardTestTest, RefusalsAndFailuresEndTheSeries) {
  module_->firmware.capabilities[91 / 8] = 0;
  VtxBoardTestArgs args = Args(1, Listen);
  VtxBoardTest(module_, &args);
  EXPECT_EQ(args.line_status, 3u);
  EXPECT_EQ(module_->board.board_test_func, nullptr) << "refused before anything is stored";

  vtx::SetCapability(module_, 91);
  machine().InjectFault(VTX_DRV_MODULE_RECONFIG, sim::Fault{0, GDI_STS_INIT, false});
  VtxBoardTest(module_, &args);
  EXPECT_EQ(args.status, 2u);
  EXPECT_EQ(args.line_status, 33u);
  EXPECT_TRUE(Sent(MILL_FACILITY_ADMIN, MILL_VERB_START).empty());
  EXPECT_TRUE(g_heard.empty());
}

}  // namespace
