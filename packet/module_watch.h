// The module presence watch: a line asks the driver to report the end of the session of its
// module, and every HOST_CTRL command the line receives is checked for such a report.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::packet {

// Registers for the end of the session at `address`: 0 registered, 1 failed (result words in
// `result`).
int SessionTermWatch(VtxLine* line, const uint8_t address[4], VtxResult* result);

// Checks a received HOST_CTRL command (parsed, in `args`) for a module that died or was removed,
// and hands extended-debug requests to the trace. Sets `status` 2 when the module is gone.
void CheckModulePresence(VtxLine* line, MillArgs* args);

}  // namespace vtx::packet
