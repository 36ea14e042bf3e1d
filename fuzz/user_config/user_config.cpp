// Arbitrary text through the preference file's line parser: every line of the input (split at
// line feeds) is one VtxLineConfig call on a line of channel ordinal 3. The trace goes to a
// function that drops it, so that the debug keyword opens no files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "api/font_table.h"
#include "api/line.h"
#include "trace/api_log.h"
#include "vtx.h"

namespace {

int Drop(const char*) {
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    CV_API_SET_VER();
    vtx::trace::InstallFunction(&Drop);
    return true;
  }();
  (void)ready;
  vtx::trace::ExchangeMask(0);
  vtx::trace::SetFunctionOptions(0);

  VtxLine line;
  line.ordinal = 3;
  const char* text = reinterpret_cast<const char*>(data);
  size_t start = 0;
  while (start <= size) {
    size_t end = start;
    while (end < size && text[end] != '\n') ++end;
    std::string piece(text + start, end - start);  // stops at an embedded zero like a C line
    VtxLineArgs args{};
    args.config_file_line = piece.c_str();
    args.no_fonts = size > 0 && (data[0] & 1) != 0;
    VtxLineConfig(&line, &args);
    start = end + 1;
  }
  vtx::ReleaseFontTable(&line);
  return 0;
}
