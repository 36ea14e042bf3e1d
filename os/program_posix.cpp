#include <dlfcn.h>
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

std::string LibraryDirectory() {
  Dl_info info = {};
  if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 || !info.dli_fname) {
    return std::string();
  }
  const std::string path(info.dli_fname);
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace os
