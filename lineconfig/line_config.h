// VtxLineConfig inside the library: the worker that the user-configuration reader calls with a
// record that is already in the library's own layout.
#pragma once

#include "vtx.h"

namespace vtx {

int LineConfigWorker(VtxLine* line, VtxLineArgs* args);

// The refusal of an asynchronous context (these operations only run synchronously): status 2,
// line status 29 and the return traced under `traced_as`, the operation's own name for
// VtxLineConfig and "unknown" for the steps it and the line reset run. True when refused.
bool RefuseAsync(VtxLine* line, VtxLineArgs* args, const char* traced_as);

}  // namespace vtx
