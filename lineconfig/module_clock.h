// The module clock: the board learns the host's time (and, when it keeps UTC, the local time
// zone) at the end of a configuration.
#pragma once

#include "vtx.h"

namespace vtx {

// Capability of a module whose fax stamps pages from UTC and the local zone's offset.
constexpr uint32_t kCapFaxTimeZone = 39;

// FAX LOCAL_TZ_OFFSET and UTC when the line has kCapFaxTimeZone, else the local time; then ADMIN
// TIME_SET. False when a send was refused (SendSettings).
bool SetModuleClock(VtxLine* line, VtxLineArgs* args);

}  // namespace vtx
