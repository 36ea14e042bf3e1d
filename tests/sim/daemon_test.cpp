#include "sim/daemon.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "os/driver.h"
#include "sim/frame_io.h"

namespace {

// The same machine served inside the process and through the daemon.
class DaemonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = sim::Machine::Default();
    socket_path_ = "/tmp/tarrow-test-" + std::to_string(getpid()) + ".sock";
    daemon_ = std::make_unique<sim::Daemon>(*machine_, socket_path_);
    std::string error;
    ASSERT_TRUE(daemon_->Start(error)) << error;
    os::SetDriverForTesting(os::MakeDaemonTransport(socket_path_));
  }
  void TearDown() override {
    os::SetDriverForTesting(nullptr);
    daemon_.reset();
  }
  int Connect() {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    strcpy(address.sun_path, socket_path_.c_str());
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return fd;
  }
  // Waits (bounded) until the daemon has closed every handle.
  bool AllClosed() {
    for (int i = 0; i < 400 && machine_->OpenConnections() != 0; ++i) usleep(5000);
    return machine_->OpenConnections() == 0;
  }
  // The process lets go of its transport, which keeps its last handle without sessions open for
  // the next open; then every handle closes.
  bool AllClosedOnceTheTransportIsGone() {
    os::SetDriverForTesting(nullptr);
    return AllClosed();
  }

  std::unique_ptr<sim::Machine> machine_;
  std::string socket_path_;
  std::unique_ptr<sim::Daemon> daemon_;
};

TEST_F(DaemonTest, ModuleQueriesThroughTheDaemon) {
  VtxModuleInfoArgs info{};
  info.mod_num = 3;
  EXPECT_EQ(VtxModuleInfo(nullptr, &info), 0);
  EXPECT_EQ(info.exists, 1u);
  EXPECT_EQ(info.num_channels, 4u);
  EXPECT_EQ(info.name[0], 'C');

  machine_->InjectFault(VTX_DRV_MODULE_INFO, sim::Fault{EINVAL, 0});
  EXPECT_EQ(VtxModuleInfo(nullptr, &info), -1);
  EXPECT_EQ(info.line_status, APIERR_DRV_IOCTL_ERR);

  VtxModuleArgs args{};
  args.mod_num = 2;
  args.config_spec_num = 1;
  EXPECT_EQ(VtxModuleConfigSpecsGet(nullptr, &args), 1);
  EXPECT_STREQ(args.config_spec_desc, "Telephony interface enabled");
  EXPECT_EQ(machine_->OpenConnections(), 1u) << "one handle served every query";
  EXPECT_TRUE(AllClosedOnceTheTransportIsGone());
}

TEST_F(DaemonTest, MalformedRequestsEndOnlyTheirOwnConnection) {
  int good = os::DeviceOpen("/dev/tarrow");
  ASSERT_GE(good, 0);

  int bad = Connect();
  const uint8_t garbage[] = {'X', 1, 2, 3};
  ASSERT_TRUE(sim::WriteFrame(bad, garbage, sizeof garbage));
  sim::wire::Bytes answer;
  EXPECT_FALSE(sim::ReadFrame(bad, answer)) << "the daemon hangs up on a stranger";
  close(bad);

  // An opened connection that sends a truncated request gets an error, not a crash.
  int truncated = Connect();
  const uint8_t open_frame[] = {'O', '/', 'd', 'e', 'v', '/', 't', 'a', 'r', 'r', 'o', 'w'};
  ASSERT_TRUE(sim::WriteFrame(truncated, open_frame, sizeof open_frame));
  ASSERT_TRUE(sim::ReadFrame(truncated, answer));
  const uint8_t short_request[] = {'R', 18, 0, 0, 0, 200, 0};
  ASSERT_TRUE(sim::WriteFrame(truncated, short_request, sizeof short_request));
  ASSERT_TRUE(sim::ReadFrame(truncated, answer));
  EXPECT_EQ(sim::wire::Word(answer, 0), static_cast<uint32_t>(EINVAL));
  // A frame announcing more than the daemon accepts ends the connection.
  const uint8_t huge[4] = {0xFF, 0xFF, 0xFF, 0x7F};
  ASSERT_EQ(write(truncated, huge, 4), 4);
  EXPECT_FALSE(sim::ReadFrame(truncated, answer));
  close(truncated);

  VtxDriverVersion version{};
  EXPECT_EQ(os::DeviceRequest(good, VTX_DRV_GET_VERSION, &version), 0);
  EXPECT_EQ(version.interface_version, 30);
  os::DeviceClose(good);
  EXPECT_TRUE(AllClosedOnceTheTransportIsGone());
}

TEST_F(DaemonTest, AClientThatGoesAwayLeavesNoSession) {
  int fd = Connect();
  const uint8_t open_frame[] = {'O', '/', 'd', 'e', 'v', '/', 't', 'a', 'r', 'r', 'o', 'w'};
  ASSERT_TRUE(sim::WriteFrame(fd, open_frame, sizeof open_frame));
  sim::wire::Bytes answer;
  ASSERT_TRUE(sim::ReadFrame(fd, answer));
  VtxDrvSessionBlock block{};
  sim::wire::Bytes request;
  sim::wire::EncodeRequest(VTX_DRV_SESSION_CREATE, &block, request);
  request.insert(request.begin(), sim::kFrameRequest);
  ASSERT_TRUE(sim::WriteFrame(fd, request.data(), request.size()));
  ASSERT_TRUE(sim::ReadFrame(fd, answer));
  // Half a request, then the client dies.
  ASSERT_EQ(write(fd, request.data(), 6), 6);
  close(fd);
  EXPECT_TRUE(AllClosed());

  // The address the dead client's session held is free again.
  int handle = os::DeviceOpen("/dev/tarrow");
  VtxDrvSessionBlock again{};
  EXPECT_EQ(os::DeviceRequest(handle, VTX_DRV_SESSION_CREATE, &again), 0);
  EXPECT_EQ(again.drv_status, 0u);
  os::DeviceClose(handle);
}

// A handle that never created a session stays open at the daemon when it is closed, and the
// next open of the same device takes it; a handle with sessions closes them; a parked handle
// that a restarted daemon no longer serves gives way to a new connection.
TEST_F(DaemonTest, HandlesWithoutSessionsStayOpenForTheNextOpen) {
  VtxDriverVersion version{};
  int first = os::DeviceOpen("/dev/tarrow");
  ASSERT_EQ(os::DeviceRequest(first, VTX_DRV_GET_VERSION, &version), 0);
  os::DeviceClose(first);
  EXPECT_EQ(machine_->OpenConnections(), 1u);
  int second = os::DeviceOpen("/dev/tarrow");
  EXPECT_EQ(second, first) << "the parked handle, without a new open";
  EXPECT_EQ(machine_->OpenConnections(), 1u);
  int control = os::DeviceOpen(VTX_CONTROL_DEVICE);
  ASSERT_GE(control, 0);
  EXPECT_NE(control, second) << "another device gets a handle of its own";
  os::DeviceClose(control);

  VtxDrvSessionBlock session{};
  ASSERT_EQ(os::DeviceRequest(second, VTX_DRV_SESSION_CREATE, &session), 0);
  ASSERT_EQ(session.drv_status, 0u);
  os::DeviceClose(second);
  for (int i = 0; i < 400 && machine_->OpenConnections() != 1; ++i) usleep(5000);
  EXPECT_EQ(machine_->OpenConnections(), 1u) << "only the control handle stays, parked";
  int again = os::DeviceOpen("/dev/tarrow");
  VtxDrvSessionBlock same{};
  same.flags = 0;
  memcpy(same.address, session.address, 4);
  EXPECT_EQ(os::DeviceRequest(again, VTX_DRV_SESSION_CREATE, &same), 0);
  EXPECT_EQ(same.drv_status, 0u) << "the closed handle took its session and address with it";
  os::DeviceClose(again);

  int parked = os::DeviceOpen(VTX_CONTROL_DEVICE);
  os::DeviceClose(parked);
  daemon_.reset();
  daemon_ = std::make_unique<sim::Daemon>(*machine_, socket_path_);
  std::string error;
  ASSERT_TRUE(daemon_->Start(error)) << error;
  int renewed = os::DeviceOpen(VTX_CONTROL_DEVICE);
  ASSERT_GE(renewed, 0);
  EXPECT_EQ(os::DeviceRequest(renewed, VTX_DRV_GET_VERSION, &version), 0);
  os::DeviceClose(renewed);
}

}  // namespace
