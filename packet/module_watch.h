// The module presence watch: every HOST_CTRL command a line receives is checked for the report
// that its module's session ended (registered by the attach, api/session_watch.h).
#pragma once

#include "vtx.h"

namespace vtx::packet {

// Checks a received HOST_CTRL command (parsed, in `args`) for a module that died or was removed,
// and hands extended-debug requests to the trace. Sets `status` 2 when the module is gone.
void CheckModulePresence(VtxLine* line, MillArgs* args);

}  // namespace vtx::packet
