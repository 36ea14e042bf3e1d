#include "os/driver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "tests/support/simulated_board.h"

namespace {

using vtx::testing::SimulatedBoardTest;

TEST(SystemErrorTest, MapsWindowsErrorsToPosixNumbers) {
  for (uint32_t e : {2u, 3u, 15u, 20u, 21u, 55u, 1200u})
    EXPECT_EQ(os::ErrnoFromSystemError(e), ENOENT) << e;
  EXPECT_EQ(os::ErrnoFromSystemError(4), EMFILE);
  EXPECT_EQ(os::ErrnoFromSystemError(5), EPERM);
  EXPECT_EQ(os::ErrnoFromSystemError(19), EPERM);
  EXPECT_EQ(os::ErrnoFromSystemError(6), EBADF);
  EXPECT_EQ(os::ErrnoFromSystemError(8), ENOMEM);
  EXPECT_EQ(os::ErrnoFromSystemError(85), EBUSY);
  EXPECT_EQ(os::ErrnoFromSystemError(170), EBUSY);
  EXPECT_EQ(os::ErrnoFromSystemError(87), EINVAL);
  EXPECT_EQ(os::ErrnoFromSystemError(1), EIO);
  EXPECT_EQ(os::ErrnoFromSystemError(31), EIO);
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
