// Arbitrary bytes as the lines of tarrowhm's event script, each read as the library reads it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ipcc/tarrowhm/event_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    tarrowhm::ScriptEvent event;
    std::string error;
    (void)tarrowhm::ParseScriptLine(text.substr(start, end - start), event, error);
    start = end + 1;
  }
  return 0;
}
