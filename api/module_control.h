// Module reset and reconfiguration through the driver, as the firmware download and the board
// test use them around their work on the module of a line.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx {

// Resets the line's module: true, or false with the result words set.
bool ModuleReset(VtxLine* line, VtxResult* result);
// Reconfigures the line's module with the configuration specification `config_spec`.
bool ModuleReconfig(VtxLine* line, uint32_t config_spec, VtxResult* result);

}  // namespace vtx
