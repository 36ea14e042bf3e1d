// The final configuration of a line at the closing call of a configuration sequence: it sends
// the settings and country parameters to the firmware. Returns 0, or a negative value with the
// record's result words set.
#pragma once

#include "vtx.h"

namespace vtx {

int FinalLineConfiguration(VtxLine* line, VtxLineArgs* args);

}  // namespace vtx
