#include <time.h>
#include <unistd.h>

#include "os/clock.h"

namespace os {

uint32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  uint64_t ms =
      static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

LocalTime LocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  // Breaking the time down takes the time-zone lock of the C library; every trace line asks
  // for it, so each thread keeps the breakdown of the last second it saw.
  thread_local time_t cached_second = -1;
  thread_local tm cached{};
  if (now.tv_sec != cached_second) {
    localtime_r(&now.tv_sec, &cached);
    cached_second = now.tv_sec;
  }
  return LocalTime{cached.tm_mon + 1, cached.tm_mday, cached.tm_hour,
                   cached.tm_min,     cached.tm_sec,  static_cast<int>(now.tv_nsec / 10000000)};
}

CalendarTime CalendarNow(bool utc) {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  tm broken = local;
  if (utc) gmtime_r(&now, &broken);
  return CalendarTime{broken.tm_year + 1900, broken.tm_mon + 1,
                      broken.tm_mday,        broken.tm_hour,
                      broken.tm_min,         broken.tm_sec,
                      broken.tm_wday,        static_cast<int32_t>(local.tm_gmtoff)};
}

uint32_t ProcessId() {
  return static_cast<uint32_t>(getpid());
}

}  // namespace os
