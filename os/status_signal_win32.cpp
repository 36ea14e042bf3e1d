#include <csignal>

#include "os/status_signal.h"

namespace os {

// The C runtime raises SIGBREAK when the console sees Ctrl-Break.
int StatusSignal() {
  return SIGBREAK;
}

}  // namespace os
