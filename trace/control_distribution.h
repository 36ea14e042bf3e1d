// Distribution of a trace-control record (DEBUG_OPTIONS bit 0x1) to the other trace users of the
// machine through the driver: the API trace part to channel ordinals, the call-control part to
// the first call-control module and the IP call-control part to every IP call-control module.
#pragma once

#include "vtx.h"

namespace vtx::trace {

// Writes the record's result words and returns 0, or -1 on failure. Without a packet transport
// it fails with status 2, line status APIERR_NO_TRANSPORT.
int DistributeControl(VtxDebugControlArgs* args);

}  // namespace vtx::trace
