// Arbitrary command bytes through the packet decoder into a small buffer. The first byte is the
// facility; the second chooses the options and the buffer size. The bytes after the buffer's
// end must never change, and the text must be terminated inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "trace/decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint32_t facility = data[0];
  const uint32_t options = data[1] & 0x3;
  const size_t text_size = (data[1] >> 2) * 4;  // 0 to 252
  std::vector<uint8_t> command(data + 2, data + size);

  constexpr size_t kGuard = 16;
  std::vector<char> text(text_size + kGuard, '#');
  bool truncated = false;
  char* end = vtx::trace::DecodeCommand(text.data(), text_size, facility, command.data(),
                                        command.size(), options, &truncated);
  for (size_t i = text_size; i < text.size(); ++i) {
    if (text[i] != '#') abort();
  }
  if (text_size > 0 && (end < text.data() || end >= text.data() + text_size || *end != '\0')) {
    abort();
  }
  return 0;
}
