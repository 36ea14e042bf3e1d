// Libraries loaded at run time; a library's entry point, when it has one, learns its handle.
#include <dlfcn.h>

#include <cstring>
#include <string>

#include "compat/win32/windows.h"

namespace {

using EntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

void CallEntryPoint(void* handle, DWORD reason) {
  auto entry = reinterpret_cast<EntryPoint>(dlsym(handle, "DllMain"));
  if (entry) entry(static_cast<HINSTANCE>(handle), reason, nullptr);
}

}  // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR file_name) {
  if (!file_name || !*file_name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string path = file_name;
  if (!std::strchr(file_name, '/') && !std::strchr(file_name, '.')) path = "lib" + path + ".so";
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  CallEntryPoint(handle, DLL_PROCESS_ATTACH);
  return static_cast<HMODULE>(handle);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR proc_name) {
  if (!module || !proc_name) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(module, proc_name));
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  if (!module) return FALSE;
  CallEntryPoint(module, DLL_PROCESS_DETACH);
  return dlclose(module) == 0;
}
