#include <gtest/gtest.h>

#include <vector>

#include "admin.h"
#include "api/async_context.h"
#include "api/reset_status.h"
#include "common.h"
#include "hostctrl.h"
#include "sim/packet_form.h"
#include "tests/support/attached_line.h"
#include "tests/support/capture.h"

namespace {

using vtx::testing::TraceCapture;

constexpr uint32_t kVar = 0x20;
constexpr uint32_t kContinue = 0xFFFFFFFF;

class AsyncTest : public vtx::testing::AttachedLineTest {
 protected:
  void SetUp() override {
    AttachedLineTest::SetUp();
    notify_ = AttachSession(1, 2);
    ASSERT_NE(notify_, nullptr);
    MillArgs set{};
    set.facility = MILL_FACILITY_ADMIN;
    set.tag_id = kVar;
    set.tag_type = MILL_TYPE_LONG;
    set.var_value = 0x12345678;
    set.timeout = 1000;
    ASSERT_EQ(VtxSetSingleVar(line_, &set), 1);
    board().ClearCommandLog();
  }
  void TearDown() override {
    Detach(notify_);
    AttachedLineTest::TearDown();
  }
  MillArgs Get(uint32_t async_lp) const {
    MillArgs args{};
    args.facility = MILL_FACILITY_ADMIN;
    args.tag_id = kVar;
    args.async_lp = async_lp;
    return args;
  }
  uint32_t handle() const { return VtxLineAsyncHandle(notify_); }
  VtxLine* WaitNotify(uint32_t timeout) {
    MillArgs wait{};
    wait.timeout = timeout;
    VtxLine* line = MillWaitNotify(notify_, &wait);
    wait_status_ = wait.status;
    return line;
  }
  size_t Gets() {
    size_t count = 0;
    for (const auto& command : board().CommandLog()) count += command.verb == MILL_VERB_GET;
    return count;
  }

  VtxLine* notify_ = nullptr;
  uint32_t wait_status_ = 0;
};

TEST_F(AsyncTest, GetVarQueuedAtTheSendResumesAtTheWaitWithoutSendingAgain) {
  machine().InjectFault(VTX_DRV_MSG_SEND_ASYNC, {0, GDI_STS_PENDING, true});
  MillArgs args = Get(handle());
  VtxGetVar(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_CONTINUING));
  EXPECT_GT(line_->nesting, 0u);
  EXPECT_EQ(vtx::api::PendingCount(notify_), 1u);

  EXPECT_EQ(WaitNotify(1000), line_);
  EXPECT_EQ(vtx::api::PendingCount(notify_), 0u);
  args.async_lp = kContinue;
  VtxGetVar(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));
  EXPECT_EQ(args.var_value, 0x12345678u);
  EXPECT_EQ(args.async_lp, kContinue) << "the caller keeps its own context word";
  EXPECT_EQ(Gets(), 1u) << "the GET went out once";
  EXPECT_EQ(machine().RequestCount(VTX_DRV_MSG_SEND_ASYNC), 1u);
  EXPECT_EQ(line_->nesting, 0u);
  EXPECT_EQ(line_->stack_top, 0u);
}

TEST_F(AsyncTest, ContinueCallsAreCheckedAgainstThePendingOperation) {
  MillArgs args = Get(kContinue);
  VtxGetVar(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_ERROR));
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR)) << "nothing pending";
  EXPECT_NE(line_->reset_status & vtx::kResetTransfer, 0u);

  MillArgs unknown = Get(0x7FFF0000);
  VtxGetVar(line_, &unknown);
  EXPECT_EQ(unknown.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR)) << "no such line";

  // The answer takes a while: the wait for it is queued by the driver.
  board().reply_delay_ms = 30;
  args = Get(handle());
  VtxGetVar(line_, &args);
  ASSERT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_CONTINUING));

  MillArgs set{};
  set.facility = MILL_FACILITY_ADMIN;
  set.tag_id = kVar;
  set.timeout = 1000;
  set.async_lp = kContinue;
  VtxSetSingleVar(line_, &set);
  EXPECT_EQ(set.line_status, static_cast<uint32_t>(APIERR_ASYNC_CONTEXT_ERR));
  set.async_lp = 0;
  EXPECT_EQ(VtxSetSingleVar(line_, &set), static_cast<int>(MILL_SEND_FAILED));
  EXPECT_EQ(set.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR)) << "synchronous";
  MillArgs fresh = Get(handle());
  VtxGetVar(line_, &fresh);
  EXPECT_EQ(fresh.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR)) << "one at a time";

  EXPECT_EQ(WaitNotify(1000), line_);
  args.async_lp = kContinue;
  VtxGetVar(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK)) << args.line_status;
  EXPECT_EQ(args.var_value, 0x12345678u);
  EXPECT_EQ(Gets(), 1u);
}

void* FailAuxiliary(size_t size, int32_t, uint32_t tag) {
  return tag == 17 ? nullptr : malloc(size);
}

TEST_F(AsyncTest, AFrameBlockThatCannotBeHadRefusesWithMemory) {
  VtxMemAllocFuncsSet(FailAuxiliary, nullptr);
  MillArgs args = Get(handle());
  VtxGetVar(line_, &args);
  VtxMemAllocFuncsSet(nullptr, nullptr);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_ERROR));
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_MEMORY));
  EXPECT_NE(line_->reset_status & vtx::kResetTransfer, 0u);
  EXPECT_EQ(line_->nesting, 0u);
  EXPECT_EQ(Gets(), 0u);
}

TEST_F(AsyncTest, WaitNotifySkipsUnknownAddressesAndTimesOut) {
  TraceCapture trace;
  sim::FwPacket notice;
  notice.Event(HOST_CTRL_CALLBACK_NOTIFY_EVENT,
               {sim::FwTag::Bytes(HOST_CTRL_SESSION_ADDRESS_VAR, MILL_TYPE_BYTE, {1, 2, 3, 4}),
                sim::FwTag::Int(HOST_CTRL_NOTIFY_TYPE_VAR, MILL_TYPE_LONG, 2)});
  std::vector<uint8_t> bytes;
  const uint8_t src[4] = {MILL_FACILITY_HOST_CTRL, 1, 1, 0};
  sim::FormPacket(notice, notify_->own_addr, src, MILL_FACILITY_HOST_CTRL, bytes);
  ASSERT_TRUE(machine().InjectRaw(notify_->own_addr, bytes));

  EXPECT_EQ(WaitNotify(60), nullptr);
  EXPECT_EQ(wait_status_, static_cast<uint32_t>(CV_STATUS_TIMEOUT));
  EXPECT_TRUE(trace.Contains("Warning: Notification for unknown addr 01 02 03 04"));

  // A notice that the application posts for a line is returned like the driver's.
  MillArgs post{};
  post.async_lp = handle();
  EXPECT_EQ(MillPostNotify(line_, &post) & MILL_SEND_SENT, static_cast<int>(MILL_SEND_SENT));
  EXPECT_EQ(WaitNotify(1000), line_);

  // A notification line inside an asynchronous call is refused.
  MillArgs wait{};
  wait.async_lp = handle();
  EXPECT_EQ(MillWaitNotify(notify_, &wait), nullptr);
  EXPECT_EQ(wait.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
}

TEST_F(AsyncTest, ReceiveTimedOutByTheDriverReportsTheTimeOut) {
  MillArgs args{};
  args.timeout = 40;
  args.async_lp = handle();
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  ASSERT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_CONTINUING));
  EXPECT_EQ(WaitNotify(2000), line_);
  args.async_lp = kContinue;
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_TIMEOUT));
  EXPECT_EQ(line_->nesting, 0u);
}

TEST_F(AsyncTest, LineResetCancelsThePendingOperation) {
  board().reply_delay_ms = 50;
  MillArgs args = Get(handle());
  VtxGetVar(line_, &args);
  ASSERT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_CONTINUING));
  ASSERT_NE(line_->aux_buffer, nullptr);

  VtxLineArgs reset{};
  reset.no_init = 1;
  EXPECT_EQ(VtxLineReset(line_, &reset), 0);
  EXPECT_EQ(machine().RequestCount(VTX_DRV_ASYNC_CANCEL), 1u);
  EXPECT_EQ(line_->nesting, 0u);
  EXPECT_EQ(line_->aux_buffer, nullptr);
  EXPECT_EQ(vtx::api::PendingCount(notify_), 0u);
  EXPECT_EQ(WaitNotify(120), nullptr) << "the queued request's notice is withdrawn";

  // The line works again, synchronously and asynchronously.
  board().reply_delay_ms = 0;
  args = Get(0);
  VtxGetVar(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));
}

TEST_F(AsyncTest, AModuleThatDiesEndsThePendingReceiveWithItsError) {
  VtxLineArgs attach{};
  attach.unit = 2;
  attach.err_on_deact = 1;
  VtxLine* watched = VtxLineAttach(&attach);
  ASSERT_NE(watched, nullptr);
  MillArgs args{};
  args.timeout = 0xFFFFFFFF;
  args.async_lp = handle();
  VtxRcvProcessPkt(watched, &args);
  ASSERT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_CONTINUING));

  machine().ModuleDied(2);
  EXPECT_EQ(WaitNotify(1000), watched);
  args.async_lp = kContinue;
  EXPECT_EQ(VtxRcvProcessPkt(watched, &args), 2);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_ERROR));
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_INVALID_DEST_ADDR));
  Detach(watched);
}

TEST_F(AsyncTest, DetachingLinesWithWorkPendingLeavesNothingBehind) {
  board().reply_delay_ms = 50;
  MillArgs args = Get(handle());
  VtxGetVar(line_, &args);
  ASSERT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_CONTINUING));
  Detach(line_);
  line_ = nullptr;
  EXPECT_EQ(vtx::api::PendingCount(notify_), 0u);

  VtxLine* other = Attach(3);
  ASSERT_NE(other, nullptr);
  args = Get(handle());
  VtxGetVar(other, &args);
  ASSERT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_CONTINUING));
  EXPECT_EQ(vtx::api::PendingCount(notify_), 1u);
  // The notification line goes first: its pending list goes with it (ASan sees any leak).
  Detach(notify_);
  notify_ = AttachSession(1, 2);
  Detach(other);
}

}  // namespace
