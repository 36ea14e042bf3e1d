#include "os/clock.h"

#include <gtest/gtest.h>

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

}  // namespace
