// The deactivation watch that an attach registers: the driver reports the end of the session of
// the line's module. Declared here for the attach; defined with the packet layer, which forms
// and sends the registration (packet/module_watch.cpp).
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::packet {

// Registers for the end of the session at `address`: 0 registered, 1 failed (result words in
// `result`).
int SessionTermWatch(VtxLine* line, const uint8_t address[4], VtxResult* result);

}  // namespace vtx::packet
