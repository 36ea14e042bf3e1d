// The keywords outside the table: afe_config, debug, debug_options, font_file, id_string,
// debug_control and channel.
#pragma once

#include "vtx.h"

namespace vtx {

enum class LineResult {
  kHandled,  // the line was used or ignored
  kBad,
  kChannel,  // a channel line for this line: its inner text is to be parsed as a line
};

// Handles `keyword` (lower case) with the text after it. For kChannel, `*inner` is the text to
// parse next. An unknown keyword is bad.
LineResult ParseExtraKeyword(VtxLine* line, const char* keyword, const char* value, bool no_fonts,
                             const char** inner);

}  // namespace vtx
