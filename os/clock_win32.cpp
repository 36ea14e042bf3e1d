#include <windows.h>

#include "os/clock.h"

namespace os {

uint32_t TickCount() {
  return GetTickCount();
}

LocalTime LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalTime{now.wMonth,  now.wDay,    now.wHour,
                   now.wMinute, now.wSecond, now.wMilliseconds / 10};
}

namespace {

// Seconds the local time is ahead of UTC now, daylight saving time included.
int32_t UtcOffset() {
  TIME_ZONE_INFORMATION zone{};
  LONG bias = zone.Bias;
  switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_STANDARD:
      bias = zone.Bias + zone.StandardBias;
      break;
    case TIME_ZONE_ID_DAYLIGHT:
      bias = zone.Bias + zone.DaylightBias;
      break;
    default:
      bias = zone.Bias;
  }
  return static_cast<int32_t>(-bias * 60);
}

}  // namespace

CalendarTime CalendarNow(bool utc) {
  SYSTEMTIME now{};
  if (utc) {
    GetSystemTime(&now);
  } else {
    GetLocalTime(&now);
  }
  return CalendarTime{now.wYear,   now.wMonth,  now.wDay,       now.wHour,
                      now.wMinute, now.wSecond, now.wDayOfWeek, UtcOffset()};
}

uint32_t ProcessId() {
  return GetCurrentProcessId();
}

}  // namespace os
