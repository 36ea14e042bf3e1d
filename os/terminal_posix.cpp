#include <unistd.h>

#include "os/terminal.h"

namespace os {

bool IsTerminal(FILE* stream) {
  return isatty(fileno(stream)) == 1;
}

}  // namespace os
