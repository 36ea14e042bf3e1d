// The font table of a line: font file names by slot, owned by the line and allocated through
// the memory hooks with the line's channel ordinal.
#pragma once

#include <cstddef>

#include "vtx.h"

namespace vtx {

// Frees the slot's name and stores a copy of `length` characters of `name`. False when the
// memory could not be had: the slot is then empty.
bool SetFontName(VtxLine* line, size_t slot, const char* name, size_t length);

// Frees every name and empties the table (the font-table release).
void ReleaseFontTable(VtxLine* line);

}  // namespace vtx
