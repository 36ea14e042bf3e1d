#include "trace/timestamp.h"

#include "os/clock.h"

namespace vtx::trace {
namespace {

char* PutTwoDigits(char* out, int value, char separator) {
  out[0] = static_cast<char>('0' + value / 10 % 10);
  out[1] = static_cast<char>('0' + value % 10);
  out[2] = separator;
  return out + 3;
}

}  // namespace

size_t FormatTimestamp(char* out) {
  os::LocalTime now = os::LocalNow();
  char* p = PutTwoDigits(out, now.month, '/');
  p = PutTwoDigits(p, now.day, ' ');
  p = PutTwoDigits(p, now.hour, ':');
  p = PutTwoDigits(p, now.minute, ':');
  p = PutTwoDigits(p, now.second, '.');
  p = PutTwoDigits(p, now.hundredths, '\0');
  return static_cast<size_t>(p - out) - 1;
}

}  // namespace vtx::trace
