#include <windows.h>

#include "os/program.h"

namespace os {
namespace {

// The folder of a module's file, without a trailing separator; empty when the system does not
// tell.
std::string ModuleDirectory(HMODULE module) {
  char path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameA(module, path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::string();
  const std::string file(path, length);
  const size_t separator = file.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : file.substr(0, separator);
}

}  // namespace

std::string ProgramDirectory() {
  return ModuleDirectory(nullptr);
}

std::string LibraryDirectory() {
  HMODULE library = nullptr;
  if (!GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&LibraryDirectory), &library)) {
    return std::string();
  }
  return ModuleDirectory(library);
}

}  // namespace os
