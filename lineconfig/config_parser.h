// The parser of one preference file line: comments, the keyword table and the keywords outside
// it. Lines are plain zero-terminated text of any length.
#pragma once

#include "vtx.h"

namespace vtx {

// Parses one line into the line's configuration. Returns 0 when the line was handled or
// ignored, 1 when it is bad (the caller reports it).
int ParseConfigLine(VtxLine* line, const char* text, bool no_fonts);

// Reports a bad line: the warning with its text and the `reset_status` bit.
void ReportBadConfigLine(VtxLine* line, const char* text);

}  // namespace vtx
