#include <csignal>

#include "os/status_signal.h"

namespace os {

int StatusSignal() {
  return SIGUSR1;
}

}  // namespace os
