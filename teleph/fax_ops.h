// The fax operations on a line: local identifier, abort and font download. The public
// VtxFax operations are these in the call frame; the line configuration calls them directly.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::teleph {

constexpr uint32_t kFontPiece = 1006;  // bytes per DATA command and per piece of a font file
constexpr uint32_t kFaxFontErrorClass = 6;

int FaxSetLocalId(VtxLine* line, VtxFaxLocalIdArgs* args);
void FaxAbort(VtxLine* line, VtxFaxArgs* args);
int FaxDownloadFont(VtxLine* line, VtxFontArgs* args);
int FaxDownloadFontData(VtxLine* line, VtxFontArgs* args);

// Whether the board reports the font as in use (FAX variable 0x39 of the module itself); font
// numbers outside 0 to 30 and 255 are never in use.
bool FontInUse(VtxLine* line, int32_t font_no);

}  // namespace vtx::teleph
