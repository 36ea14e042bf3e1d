// The telephony hardware list of a module, as the final configuration asks for it.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::teleph {

// The OR of the port-type words of every port the module reports, into `port_types`: 0 when at
// least one port was reported, 1 when none, -1 on failure (with a reset status bit by the kind
// of failure).
int PortTypeSummary(VtxLine* line, uint32_t* port_types, VtxTelephArgs* args);

}  // namespace vtx::teleph
