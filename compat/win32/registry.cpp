// The registry functions over the registry file: opening a key reads the file and keeps a copy
// of the key's values, so an open key sees the file as it was when the key was opened.
#include <cstring>
#include <string>

#include "compat/win32/reg_file.h"
#include "compat/win32/windows.h"
#include "os/file.h"

struct HKEY__ {
  std::string path;
  win32compat::RegistryFile::Values values;
};

namespace {

constexpr uint64_t kMaxFileSize = 16 * 1024 * 1024;

const char* RootName(HKEY key) {
  switch (reinterpret_cast<ULONG_PTR>(key)) {
    case 0x80000000u:
      return "HKEY_CLASSES_ROOT";
    case 0x80000001u:
      return "HKEY_CURRENT_USER";
    case 0x80000002u:
      return "HKEY_LOCAL_MACHINE";
    case 0x80000003u:
      return "HKEY_USERS";
    case 0x80000005u:
      return "HKEY_CURRENT_CONFIG";
    default:
      return nullptr;
  }
}

bool LoadRegistry(win32compat::RegistryFile& registry) {
  std::string text, error;
  if (!os::ReadRegularFile(win32compat::RegistryFilePath().c_str(), kMaxFileSize, text, error)) {
    return false;  // as a registry without the key: the caller reports what it misses
  }
  return registry.Parse(text);
}

}  // namespace

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const char* root = RootName(key);
  if (!root && !key) return ERROR_INVALID_HANDLE;
  std::string path = root ? root : key->path;
  if (sub_key && *sub_key) path += std::string("\\") + sub_key;
  win32compat::RegistryFile registry;
  if (!LoadRegistry(registry) || !registry.HasKey(path)) return ERROR_FILE_NOT_FOUND;
  auto* opened = new HKEY__{path, {}};
  if (const auto* values = registry.FindValues(path)) opened->values = *values;
  *result = opened;
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD, LPDWORD type, LPBYTE data,
                             LPDWORD data_size) {
  if (!key || RootName(key)) return ERROR_FILE_NOT_FOUND;
  if (data && !data_size) return ERROR_INVALID_PARAMETER;
  auto found = key->values.find(win32compat::FoldCase(value_name ? value_name : ""));
  if (found == key->values.end()) return ERROR_FILE_NOT_FOUND;
  const win32compat::RegValue& value = found->second;
  if (type) *type = value.type;
  const DWORD size = static_cast<DWORD>(value.data.size());
  if (data && *data_size < size) {
    *data_size = size;
    return ERROR_MORE_DATA;
  }
  if (data && size) std::memcpy(data, value.data.data(), size);
  if (data_size) *data_size = size;
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key) {
  if (!key) return ERROR_INVALID_HANDLE;
  if (!RootName(key)) delete key;
  return ERROR_SUCCESS;
}
