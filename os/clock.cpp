#include "os/clock.h"

#include <atomic>
#include <ctime>

namespace os {

namespace {
std::atomic<WallClock> g_wall_clock{nullptr};
}  // namespace

int64_t WallSeconds() {
  WallClock clock = g_wall_clock.load(std::memory_order_acquire);
  return clock != nullptr ? clock() : static_cast<int64_t>(time(nullptr));
}

void SetWallClock(WallClock clock) {
  g_wall_clock.store(clock, std::memory_order_release);
}

}  // namespace os
