#include "os/clock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

TEST(Clock, TickCountAdvancesInMilliseconds) {
  uint32_t before = os::TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  uint32_t elapsed = os::TickCount() - before;  // unsigned: correct across a wrap
  EXPECT_GE(elapsed, 29u);
  EXPECT_LT(elapsed, 60000u);
}

TEST(Clock, LocalTimeFieldsAreInRange) {
  os::LocalTime now = os::LocalNow();
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
  EXPECT_LE(now.second, 60);
  EXPECT_GE(now.hundredths, 0);
  EXPECT_LE(now.hundredths, 99);
  EXPECT_EQ(os::ProcessId(), static_cast<uint32_t>(getpid()));
}

}  // namespace
