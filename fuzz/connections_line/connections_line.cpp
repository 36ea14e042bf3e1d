// Arbitrary bytes as the lines of a connections file, each read as the start-up reads it: cut at
// line ends and at 511 characters, terminated.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "callctrl/board/connections.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char line[512];
  size_t used = 0;
  for (size_t i = 0; i <= size; ++i) {
    const bool end = i == size || data[i] == '\n' || used == sizeof line - 1;
    if (i < size && !end) line[used++] = static_cast<char>(data[i]);
    if (!end) continue;
    line[used] = '\0';
    VtxTelephArgs args{};
    (void)vtx::callctrl::ReadConnectionLine(line, args);
    used = 0;
  }
  return 0;
}
