#include <gtest/gtest.h>

#include <vector>

#include "admin.h"
#include "sim/maintenance.h"
#include "tests/support/capture.h"
#include "tests/teleph/board_fixture.h"

namespace {

using vtx::testing::TraceCapture;

class BoardStateTest : public vtx::testing::BoardLineTest {};

TEST_F(BoardStateTest, StateAndTemperatureThroughTheModulesVariables) {
  sim::SetBoardTemperature(board(), -12);
  VtxTemperatureArgs temp{};
  VtxBoardTemperatureGet(module_, &temp);
  EXPECT_EQ(temp.current_temp, 1000) << "a board without capability 91 cannot tell";
  EXPECT_EQ(temp.status, 0u);
  VtxBoardStateArgs state{};
  VtxBoardStateGet(module_, &state);
  EXPECT_EQ(state.status, 2u);
  EXPECT_EQ(state.line_status, 3u);
  EXPECT_TRUE(board().CommandLog().empty());

  vtx::SetCapability(module_, 91);
  TraceCapture trace(0x4, VTX_FUNC_DBG_CALLS | VTX_FUNC_DBG_DETAIL);
  VtxBoardTemperatureGet(module_, &temp);
  EXPECT_EQ(temp.status, 0u);
  EXPECT_EQ(temp.current_temp, -12);
  EXPECT_TRUE(trace.Contains("current_temp=-12"));
  state.state = 4;
  VtxBoardStateSet(module_, &state);
  EXPECT_EQ(state.status, 0u);
  state.state = 0;
  VtxBoardStateGet(module_, &state);
  EXPECT_EQ(state.status, 0u);
  EXPECT_EQ(state.state, 4u);

  // The threshold travels as its low 16 bits, to the module itself.
  temp.temp_thresh = -5;
  VtxBoardTemperatureThreshSet(module_, &temp);
  EXPECT_EQ(temp.status, 0u);
  auto sets = Sent(MILL_FACILITY_ADMIN, MILL_VERB_SET);
  ASSERT_EQ(sets.size(), 2u);
  ASSERT_NE(sets[1].Find(ADMIN_BOARD_TEMP_THRESH_VAR), nullptr);
  EXPECT_EQ(sets[1].Find(ADMIN_BOARD_TEMP_THRESH_VAR)->data, (std::vector<uint8_t>{0xFB, 0xFF}));
  EXPECT_EQ(sets[1].address[1], 1);

  state.async_lp = 1;
  VtxBoardStateGet(module_, &state);
  EXPECT_EQ(state.line_status, 29u);
}

int g_notices = 0;
uint32_t g_notice_type = 0;
void CountNotice(VtxLine*, VtxBoardNotifyArgs* args) {
  ++g_notices;
  g_notice_type = args->notify_type;
}

TEST_F(BoardStateTest, NotifyTurnsTypesOnAndOffAndHandsNoticesToTheFunction) {
  vtx::SetCapability(module_, 91);
  VtxBoardNotifyArgs notify{};
  notify.enable = 1;
  notify.notify_type = 3;
  notify.func = CountNotice;
  VtxBoardNotify(module_, &notify);
  EXPECT_EQ(notify.status, 0u);
  EXPECT_EQ(module_->board.board_notify_enabled, 0x4u);
  EXPECT_EQ(board().call_control().notify_types, 1u << 3);

  g_notices = 0;
  DeliverToModule(ADMIN_BOARD_NOTIFY_EVENT,
                  {sim::FwTag::Int(ADMIN_BOARD_NOTIFY_TYPE_VAR, MILL_TYPE_BYTE, 3)});
  EXPECT_EQ(g_notices, 1);
  EXPECT_EQ(g_notice_type, 3u);

  notify.enable = 0;
  VtxBoardNotify(module_, &notify);
  EXPECT_EQ(notify.status, 0u);
  EXPECT_EQ(module_->board.board_notify_enabled, 0u);
  auto finishes = Sent(MILL_FACILITY_ADMIN, MILL_VERB_FINISH, ADMIN_BOARD_NOTIFY_MODE);
  ASSERT_EQ(finishes.size(), 1u);
  EXPECT_EQ(finishes[0].Find(ADMIN_BOARD_NOTIFY_TYPE_VAR)->Value(), 3u);

  // Type 0 only registers the function.
  notify.notify_type = 0;
  notify.func = nullptr;
  VtxBoardNotify(module_, &notify);
  EXPECT_EQ(module_->board.board_notify_func, nullptr);
  EXPECT_EQ(Sent(MILL_FACILITY_ADMIN, MILL_VERB_START).size(), 1u);
}

}  // namespace
