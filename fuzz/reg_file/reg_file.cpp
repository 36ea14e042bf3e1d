// The registry file reader over arbitrary text: it must never read outside the text, and what it
// keeps must be consistent (every key it reports can be found again).
#include "compat/win32/reg_file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  win32compat::RegistryFile file;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!file.Parse(text)) return 0;
  // Parsing twice gives the same result: nothing is left over from a previous parse.
  const size_t keys = file.KeyCount();
  file.Parse(text);
  if (file.KeyCount() != keys) __builtin_trap();
  return 0;
}
