#include <gtest/gtest.h>

#include <vector>

#include "common.h"
#include "sim/maintenance.h"
#include "tele_ctrl.h"
#include "tests/support/capture.h"
#include "tests/teleph/board_fixture.h"

namespace {

using vtx::testing::TraceCapture;

std::vector<VtxSignalingArgs> g_reports;
void Record(VtxLine*, VtxSignalingArgs* args) {
  g_reports.push_back(*args);
}

class SignalingTest : public vtx::testing::BoardLineTest {
 protected:
  void SetUp() override {
    BoardLineTest::SetUp();
    g_reports.clear();
    vtx::SetCapability(module_, 9);
    machine().SetTimeScale(0.05);
  }
  static VtxSignalingArgs Slot(uint32_t mode) {
    VtxSignalingArgs args{};
    args.unit = 0;
    args.stream = 1;
    args.time_slot = 5;
    args.func = Record;
    args.mon_mode = mode;
    return args;
  }
};

TEST_F(SignalingTest, MonitorOnceStartsWaitsForOneReportAndStops) {
  board().maintenance().signaling.incoming[{0, 1, 5}] = 0xA;
  VtxSignalingArgs args = Slot(VTX_SIG_MON_ONCE);
  EXPECT_EQ(VtxCallSignalingStateMonitor(module_, &args), 0) << args.line_status;
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_EQ(g_reports[0].stream, 1u);
  EXPECT_EQ(g_reports[0].time_slot, 5u);
  EXPECT_EQ(g_reports[0].stateOut_0, 0xAu);
  auto starts = Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_START, TELE_CTRL_SIG_MON_MODE);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].address[1], 2) << "unit 0 is byte 1 of the address as 2";
  EXPECT_EQ(starts[0].Find(TELE_CTRL_STREAM_VAR)->Value(), 1u);
  EXPECT_EQ(starts[0].Find(TELE_CTRL_TIME_SLOT_VAR)->Value(), 5u);
  EXPECT_EQ(Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_FINISH).size(), 1u);
  EXPECT_TRUE(board().maintenance().signaling.monitors.empty());

  // A slot that reports nothing within the second times out.
  board().maintenance().signaling.report_on_start = false;
  args = Slot(VTX_SIG_MON_ONCE);
  EXPECT_EQ(VtxCallSignalingStateMonitor(module_, &args), -1);
  EXPECT_EQ(args.status, 6u);
  EXPECT_EQ(args.line_status, 0u);
  EXPECT_LE(machine().LastReceiveTimeout(), 1000u) << "the report is waited for a second";
}

TEST_F(SignalingTest, StopSendsOnlyTheFinishAndRefusalsSendNothing) {
  VtxSignalingArgs args = Slot(VTX_SIG_MON_STOP);
  EXPECT_EQ(VtxCallSignalingStateMonitor(module_, &args), 0);
  EXPECT_TRUE(Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_START).empty());
  EXPECT_EQ(Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_FINISH).size(), 1u);

  board().ClearCommandLog();
  module_->firmware.capabilities[1] = 0;  // capabilities 8 to 15
  args = Slot(VTX_SIG_MON_START);
  EXPECT_EQ(VtxCallSignalingStateMonitor(module_, &args), -1);
  EXPECT_EQ(args.line_status, 3u);
  EXPECT_EQ(VtxCallSignalingStateSet(module_, &args), -1);
  EXPECT_EQ(args.line_status, 3u);
  vtx::SetCapability(module_, 8);
  args.async_lp = 1;
  EXPECT_EQ(VtxCallSignalingStateSet(module_, &args), -1);
  EXPECT_EQ(args.line_status, 29u);
  EXPECT_TRUE(board().CommandLog().empty());
}

TEST_F(SignalingTest, SetSendsTheStatesAndReportsARefusal) {
  board().maintenance().signaling.report_on_start = false;
  VtxSignalingArgs monitor = Slot(VTX_SIG_MON_START);
  ASSERT_EQ(VtxCallSignalingStateMonitor(module_, &monitor), 0);

  VtxSignalingArgs args = Slot(0);
  args.unit = 1;
  args.stateOut_0 = 0xF;
  args.durationOut_0 = 250;
  args.stateOut_1 = 0x3;
  EXPECT_EQ(VtxCallSignalingStateSet(module_, &args), 0) << args.status << "/" << args.line_status;
  const auto& sets = board().maintenance().signaling.sets;
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].slot, (sim::SlotKey{1, 1, 5}));
  EXPECT_EQ(sets[0].state_0, 0xF);
  EXPECT_EQ(sets[0].duration_0, 250u);
  EXPECT_EQ(sets[0].state_1, 3);
  EXPECT_TRUE(g_reports.empty()) << "unit 1 is not the monitored slot";

  // The looped-back trunk reports the state set on the monitored slot.
  args.unit = 0;
  args.durationOut_0 = 0;
  EXPECT_EQ(VtxCallSignalingStateSet(module_, &args), 0);
  MillArgs receive{};
  receive.timeout = 1000;
  EXPECT_EQ(VtxRcvProcessPkt(module_, &receive), 1);
  ASSERT_EQ(g_reports.size(), 1u);
  EXPECT_EQ(g_reports[0].stateOut_0, 0xFu);

  board().maintenance().signaling.set_result = 1;
  TraceCapture trace(0x8);
  EXPECT_EQ(VtxCallSignalingStateSet(module_, &args), 1);
  EXPECT_EQ(args.status, 2u);
  EXPECT_EQ(args.line_status, 26u);
  EXPECT_TRUE(trace.Contains("Signaling state setup error 1."));
  EXPECT_EQ(module_->fw_error_class, 4u);
}

}  // namespace
