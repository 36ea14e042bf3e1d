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

uint32_t ProcessId();

}  // namespace os
