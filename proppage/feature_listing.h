// The feature listing: the text of the page's feature box, one line per feature of a module,
// read over a line that the listing opens on the module and closes again.
#pragma once

#include <cstddef>

#include "vtx.h"

namespace proppage {

// The user preference file the page resets its line with.
constexpr char kPagePreferences[] = "cvcall.cfg";

// Opens a session on a channel of the module, else on the module itself, and resets it with
// the user preference file `preferences` (null: the built-in defaults); null when no line could
// be opened or reset.
VtxLine* OpenFeatureLine(int module, const char* preferences = kPagePreferences);
// Detaches a line of OpenFeatureLine; does nothing for null.
void CloseFeatureLine(VtxLine* line);
// Writes the module's features into `buffer` as lines ending in "\r\n", never reaching `limit`;
// returns the number of characters written, 0 (and the buffer untouched) when no line opened.
size_t ListFeatures(int module, char* buffer, size_t limit,
                    const char* preferences = kPagePreferences);
// The same on a line that is already open and reset; the line stays open.
size_t ListFeaturesOn(VtxLine* line, char* buffer, size_t limit);

}  // namespace proppage
