// The signal a user sends a running tool to ask for its status: SIGUSR1 where there is one, the
// console's Ctrl-Break on Windows.
#pragma once

namespace os {

// The signal's number, for std::signal.
int StatusSignal();

}  // namespace os
