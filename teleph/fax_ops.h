// The fax operations on a line: local identifier, abort and font download. The public
// VtxFax operations are these in the call frame; the line configuration calls them directly.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::teleph {

// `reset_status` bits of the font download.
constexpr uint32_t kFontFileNotOpened = 0x00000200;
constexpr uint32_t kFontRefused = 0x00000400;  // refused, or the exchange failed
constexpr uint32_t kFontFirmwareError = 0x40000000;
constexpr uint32_t kFontInUse = 0x80000000;

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
