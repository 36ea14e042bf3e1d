#include <dlfcn.h>

#include "os/library.h"

namespace os {

Library* LibraryOpen(const char* path, std::string& error) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = reason && *reason ? reason : "the library does not open";
  }
  return static_cast<Library*>(handle);
}

void* LibrarySymbol(Library* library, const char* name) {
  return library ? dlsym(library, name) : nullptr;
}

void LibraryClose(Library* library) {
  if (library) dlclose(library);
}

bool PathHasFolder(const std::string& path) {
  return path.find('/') != std::string::npos;
}

}  // namespace os
