// What the tone detection operations share: their common entry and the tone detection handler
// that fills the line's tone buffer from SIGNAL_DETECTION events.
#pragma once

#include "vtx.h"

namespace vtx::teleph {

// The common entry of the tone operations: a line (5) and, for a synchronous call, no
// asynchronous operation pending on it (29). Also puts the tone detection handler in place.
bool ToneEntry(VtxLine* line, VtxToneArgs* args);

// Stores a character in the ring; false (dropped) when it holds 49 already.
bool PutTone(VtxLine* line, uint8_t character);

}  // namespace vtx::teleph
