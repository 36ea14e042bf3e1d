#include "callctrl/timer/timer_service.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

#include "api/line.h"
#include "callctrl/board/exchange.h"
#include "callctrl/board/master_election.h"
#include "callctrl/hostmod/host_queue.h"
#include "ecc.h"
#include "hostctrl.h"
#include "tests/support/simulated_board.h"
#include "tests/support/temp_dir.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl::testing {
namespace {

// Collects expired host-module timers with the thread they arrived on.
class Collector : public TimerTarget {
 public:
  bool PostTimer(uint32_t value1, uint32_t value2, uint32_t handle, uint32_t context) override {
    std::lock_guard<std::mutex> hold(lock_);
    fired_.push_back({value1, value2, handle, context});
    thread_ = std::this_thread::get_id();
    changed_.notify_all();
    return true;
  }
  std::vector<std::vector<uint32_t>> Await(size_t count) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait_for(hold, std::chrono::seconds(10), [&] { return fired_.size() >= count; });
    return fired_;
  }
  std::thread::id thread() {
    std::lock_guard<std::mutex> hold(lock_);
    return thread_;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::vector<uint32_t>> fired_;
  std::thread::id thread_;
};

class TimerServiceTest : public vtx::testing::SimulatedBoardTest {
 protected:
  void SetUp() override {
    SimulatedBoardTest::SetUp();
    trace::cc::SetTraceFile(trace_.c_str());
    trace::cc::SetCategory(trace::cc::kInternalTrace, trace::cc::kLevelVerbose, trace::cc::kToFile);
    service_ = GetTimerService();
    ASSERT_NE(service_, nullptr);
  }
  void TearDown() override {
    ShutdownTimerService();
    trace::cc::SetTraceFile(nullptr);
    trace::cc::SetCategory(trace::cc::kInternalTrace, 0, 0);
    SimulatedBoardTest::TearDown();
  }
  int Count(const std::string& text) const {
    std::ifstream in(trace_);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int count = 0;
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++count;
    return count;
  }

  vtx::testing::TempDir dir_{"timer_service"};
  std::string trace_ = dir_.Path("trace.log");
  TimerService* service_ = nullptr;
};

TEST_F(TimerServiceTest, HostTimersFireOnTheDispatchingThreadAndDeletedOnesNever) {
  EXPECT_EQ(GetTimerService(), service_) << "one service per process";
  Collector collector;
  const uint32_t deleted = CreateHostTimer(service_, 200, 1, 2, &collector, 0xD);
  const uint32_t first = CreateHostTimer(service_, 0, 3, 7, &collector, 0xC0);
  EXPECT_EQ(deleted, 1u) << "the first handle is 1, never 0";
  EXPECT_EQ(first, 2u);
  DeleteTimer(service_, deleted);
  EXPECT_EQ(collector.Await(1), (std::vector<std::vector<uint32_t>>{{3, 7, first, 0xC0}}));
  EXPECT_NE(collector.thread(), std::this_thread::get_id()) << "a 0 ms timer still waits its turn";
  const uint32_t later = CreateHostTimer(service_, 300, 4, 8, &collector, 0xC1);
  EXPECT_EQ(collector.Await(2).size(), 2u);
  EXPECT_EQ(collector.Await(2)[1][2], later);
  EXPECT_EQ(PendingTimers(service_), 0u);
  DeleteTimer(service_, deleted);
  EXPECT_EQ(Count("Unable to delete timer, unable to find timer record"), 1);
}

TEST_F(TimerServiceTest, ATimerForAStoppedQueueIsRefused) {
  HostQueue queue;
  ASSERT_TRUE(queue.Open());
  ASSERT_TRUE(queue.Stop());
  const uint32_t handle = CreateHostTimer(service_, 0, 3, 7, &queue, 1);
  ASSERT_NE(handle, 0u);
  for (int i = 0; i < 500 && PendingTimers(service_) != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ShutdownTimerService();  // joins the dispatching thread: its message is written
  EXPECT_EQ(Count("the host module's queue refused it"), 1);
}

TEST_F(TimerServiceTest, APortTimerArrivesAsAnAlertAtTheModulesAddress) {
  VtxLine* module_line = AttachModuleSession(2, MILL_FACILITY_ECC);
  ASSERT_NE(module_line, nullptr);
  ASSERT_NE(TimerSession(service_), nullptr);
  const uint8_t* address = module_line->own_addr;
  ASSERT_NE(CreatePortTimer(service_, 0, 3, 2, address, 0x1234), 0u);
  Received alert;
  ASSERT_TRUE(AwaitCommand(module_line, MILL_FACILITY_HOST_CTRL, MILL_VERB_EVENT,
                           HOST_CTRL_ALERT_EVENT, 5000, alert));
  packet::Tag tag;
  ASSERT_TRUE(alert.command.FindTag(HOST_CTRL_CONTEXT_ID_VAR, tag));
  EXPECT_EQ(tag.Int(), 0x1234);
  ASSERT_TRUE(alert.command.FindTag(HOST_CTRL_CHANNEL_VAR, tag));
  EXPECT_EQ(tag.Int(), 3);
  packet::PacketReader reader(alert.packet, alert.length);
  packet::Command command;
  ASSERT_TRUE(reader.Next(command));
  EXPECT_EQ(reader.src_addr()[0] & 0x7F, MILL_FACILITY_HOST_CTRL);
  EXPECT_NE(reader.flags() & MILL_PKT_SRC_FACILITY, 0u);
  DetachLine(module_line);
}

}  // namespace
}  // namespace vtx::callctrl::testing
