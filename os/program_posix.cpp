#include <unistd.h>

#include "os/program.h"

namespace os {

std::string ProgramDirectory() {
  char self[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return std::string();
  const std::string path(self, static_cast<size_t>(length));
  return path.substr(0, path.rfind('/'));
}

}  // namespace os
