// The module lookup: turns a device's location text into the board module number whose name
// matches it, by asking the driver about module numbers from 2 upward.
#pragma once

namespace vtx {

// The module number whose name equals `location` without regard to case, or -1 when none does
// or a query fails (then "VtxModuleInfo: %s\n" with the failure's description goes to stderr).
int LookupModule(const char* location);

}  // namespace vtx
