#include "os/driver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "tests/support/simulated_board.h"

namespace {

using vtx::testing::SimulatedBoardTest;

TEST(SystemErrorTest, MapsWindowsErrorsToPosixNumbers) {
  const std::pair<uint32_t, int> mapping[] = {
      {2, ENOENT},    {3, ENOENT},  {15, ENOENT}, {20, ENOENT}, {21, ENOENT}, {55, ENOENT},
      {1200, ENOENT}, {4, EMFILE},  {5, EPERM},   {19, EPERM},  {6, EBADF},   {8, ENOMEM},
      {85, EBUSY},    {170, EBUSY}, {87, EINVAL}, {1, EIO},     {31, EIO}};
  for (auto [error, expected] : mapping)
    EXPECT_EQ(os::ErrnoFromSystemError(error), expected) << error;
}

TEST_F(SimulatedBoardTest, PriorityIsRaisedOnceAndNeverForTheControlDevice) {
  uint32_t before = os::PriorityRaiseCount();
  int control = os::DeviceOpen("/dev/faxctl");
  ASSERT_GE(control, 0);
  EXPECT_EQ(os::PriorityRaiseCount(), before);
  os::DeviceClose(control);

  int first = os::DeviceOpen("/dev/tarrow");
  ASSERT_GE(first, 0);
  EXPECT_EQ(errno, 0);
  EXPECT_EQ(os::PriorityRaiseCount(), 1u);
  int second = os::DeviceOpen("/dev/tarrow");
  EXPECT_EQ(os::PriorityRaiseCount(), 1u);
  os::DeviceClose(first);
  os::DeviceClose(second);
}

TEST_F(SimulatedBoardTest, FailedOpenAndRequestLeaveErrno) {
  EXPECT_EQ(os::DeviceOpen("/dev/nothing"), -1);
  EXPECT_EQ(errno, ENOENT);
  int handle = os::DeviceOpen("/dev/tarrow");
  machine().InjectFault(VTX_DRV_GET_VERSION, sim::Fault{EINVAL, 0});
  VtxDriverVersion version{};
  EXPECT_EQ(os::DeviceRequest(handle, VTX_DRV_GET_VERSION, &version), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(os::DeviceRequest(handle, VTX_DRV_GET_VERSION, &version), 0);
  EXPECT_EQ(version.interface_version, 30);
  os::DeviceClose(handle);
}

TEST(DriverSelectionTest, EnvironmentChoosesTheTransport) {
  setenv("TARROW_DRIVER", "sim", 1);
  os::SetDriverForTesting(nullptr);
  EXPECT_TRUE(os::DriverIsSimulated());
  EXPECT_EQ(os::DriverDescription(), "embedded simulator");

  setenv("TARROW_DRIVER", "sim:/tmp/some.sock", 1);
  os::SetDriverForTesting(nullptr);
  EXPECT_EQ(os::DriverDescription(), "simulator daemon at /tmp/some.sock");

  setenv("TARROW_DRIVER", "floppy", 1);
  os::SetDriverForTesting(nullptr);
  EXPECT_EQ(os::DeviceOpen("/dev/tarrow"), -1);
  EXPECT_EQ(errno, EINVAL);
  unsetenv("TARROW_DRIVER");
  os::SetDriverForTesting(nullptr);
}

}  // namespace
