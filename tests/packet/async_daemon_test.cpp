// Asynchronous lines through the simulator daemon: the notices cross the socket like every other
// packet, and one thread keeps many lines going.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "api/line.h"
#include "os/driver.h"
#include "sim/daemon.h"
#include "sim/machine.h"
#include "tests/support/async_lines.h"

namespace {

class AsyncDaemonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = sim::Machine::Default();
    // The answers take a while, so that the receives are queued by the driver.
    machine_->FindModule(2)->reply_delay_ms = 2;
    socket_path_ = "/tmp/tarrow-async-" + std::to_string(getpid()) + ".sock";
    daemon_ = std::make_unique<sim::Daemon>(*machine_, socket_path_);
    std::string error;
    ASSERT_TRUE(daemon_->Start(error)) << error;
    os::SetDriverForTesting(os::MakeDaemonTransport(socket_path_));
    CV_API_SET_VER();
  }
  void TearDown() override {
    os::SetDriverForTesting(nullptr);
    daemon_.reset();
  }
  static VtxLine* Session(uint8_t kind, uint8_t unit) {
    VtxLineArgs args{};
    args.dest_addr[1] = kind;
    args.dest_addr[2] = 2;
    args.dest_addr[3] = unit;
    return VtxSessionAttach(&args);
  }

  std::unique_ptr<sim::Machine> machine_;
  std::string socket_path_;
  std::unique_ptr<sim::Daemon> daemon_;
};

TEST_F(AsyncDaemonTest, OneThreadDrivesSixteenLinesThroughOneNotificationLine) {
  VtxLine* notify = Session(1, 0);
  ASSERT_NE(notify, nullptr);
  std::vector<VtxLine*> lines;
  for (uint8_t i = 0; i < 16; ++i) {
    lines.push_back(Session(2, i % 8));
    ASSERT_NE(lines.back(), nullptr);
  }
  vtx::testing::AsyncLines driver(notify, lines, 5);
  EXPECT_TRUE(driver.Run()) << driver.failure_status << "/" << driver.failure_line_status;
  EXPECT_EQ(driver.operations(), 16u * 5 * 2);
  EXPECT_GE(driver.notices(), 16u) << "the reads waited for their answers";
  EXPECT_GT(machine_->RequestCount(VTX_DRV_MSG_RECEIVE_ASYNC), 0u);
  for (VtxLine* line : lines) {
    EXPECT_EQ(line->nesting, 0u);
    VtxLineArgs detach{};
    EXPECT_EQ(VtxLineDetach(line, &detach), 0);
  }
  VtxLineArgs detach{};
  EXPECT_EQ(VtxLineDetach(notify, &detach), 0);
}

}  // namespace
