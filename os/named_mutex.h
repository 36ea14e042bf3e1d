// Named mutexes of the machine's processes, inside the operating-system layer: waited for
// without a time limit, recursive for the thread that holds one.
#pragma once

#include <string>

namespace os {

struct NamedHold;

// Waits for the mutex named `name` and returns it held, or null when it cannot be created.
NamedHold* AcquireNamedMutex(const std::string& name);
// Releases and closes a mutex returned by AcquireNamedMutex.
void ReleaseNamedMutex(NamedHold* hold);

}  // namespace os
