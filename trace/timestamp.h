// The timestamp that starts every trace line: local date and time with hundredths of a second,
// "%02d/%02d %02d:%02d:%02d.%02d" (month, day, hours, minutes, seconds, hundredths).
#pragma once

#include <cstddef>

namespace vtx::trace {

constexpr size_t kTimestampLength = 17;

// Writes the timestamp and a terminator into `out`, which has room for kTimestampLength + 1
// characters; returns kTimestampLength.
size_t FormatTimestamp(char* out);

}  // namespace vtx::trace
