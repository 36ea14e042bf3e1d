#include <io.h>

#include "os/terminal.h"

namespace os {

bool IsTerminal(FILE* stream) {
  return _isatty(_fileno(stream)) != 0;
}

}  // namespace os
