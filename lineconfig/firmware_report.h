// The firmware report of a channel line's configuration: the versions that its reset collected,
// written to the trace log at the information level.
#pragma once

#include "vtx.h"

namespace vtx {

// With `available` false only "Firmware version info not available." (the line was not reset).
void TraceFirmwareReport(const VtxLine* line, bool available);

}  // namespace vtx
