// Time and identity of the running process, as the library needs them.
#pragma once

#include <cstdint>

namespace os {

// Milliseconds since the system started; wraps after about 49.7 days like any 32-bit tick.
uint32_t TickCount();

// The local wall-clock time, to the hundredth of a second.
struct LocalTime {
  int month;  // 1 to 12
  int day;    // of the month
  int hour;
  int minute;
  int second;
  int hundredths;
};
LocalTime LocalNow();

// The wall-clock time broken down as a board's clock takes it.
struct CalendarTime {
  int year;   // full year
  int month;  // 1 to 12
  int day;    // of the month
  int hour;
  int minute;
  int second;
  int weekday;         // 0 for Sunday to 6
  int32_t utc_offset;  // seconds the local time is ahead of UTC, daylight saving time included
};
// The current time in UTC or in local time; the offset is the local one either way.
CalendarTime CalendarNow(bool utc);

// Seconds since the epoch. A process may put a clock of its own in the system's place (tests
// move time on without sleeping); null gives the system's clock back.
int64_t WallSeconds();
using WallClock = int64_t (*)();
void SetWallClock(WallClock clock);

uint32_t ProcessId();

}  // namespace os
