#include <windows.h>

#include "os/library.h"

namespace os {

Library* LibraryOpen(const char* path, std::string& error) {
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) {
    const DWORD code = GetLastError();
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[--length] = 0;
    error = std::string(path) + ": " +
            (length > 0 ? std::string(text) : "system error " + std::to_string(code));
  }
  return reinterpret_cast<Library*>(module);
}

void* LibrarySymbol(Library* library, const char* name) {
  if (library == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void LibraryClose(Library* library) {
  if (library) FreeLibrary(reinterpret_cast<HMODULE>(library));
}

bool PathHasFolder(const std::string& path) {
  return path.find_first_of("/\\") != std::string::npos;
}

}  // namespace os
