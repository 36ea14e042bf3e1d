// Finds the configuration tool through the registry (the page's key may name it and its folder,
// or leave the folder to the installed development kit or system software) and starts it as a
// detached process with its name as the whole command line.
#include "proppage/launcher.h"

#include <cstdio>
#include <cstring>

#include "proppage/resource.h"

namespace proppage {
namespace {

constexpr const char* kTitle = "Nimbrel Property Page";
constexpr const char* kDefaultToolName = "configtool.exe";
constexpr const char* kSdkKey = "SOFTWARE\\Corvane Technology\\Corvane Tarrow SDK";
constexpr const char* kSystemSoftwareKey = "SOFTWARE\\Corvane Technology\\Corvane System Software";
constexpr size_t kTextSize = 256;

using Text = char[kTextSize];

bool OpenKey(const char* path, HKEY& key) {
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
}

// Reads a value, whatever its type, as text; `out` is untouched when the read fails.
bool ReadText(HKEY key, const char* name, Text& out) {
  Text value = {};
  DWORD size = kTextSize - 1;  // the last byte stays a terminator
  if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<LPBYTE>(value), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  std::memcpy(out, value, kTextSize);
  return true;
}

bool IsDefault(const Text& text) {
  return lstrcmpiA(text, "DEFAULT") == 0;
}

void Copy(Text& out, const char* text) {
  std::snprintf(out, kTextSize, "%s", text);
}

// Appends as much of `text` as fits.
void Append(Text& out, const char* text) {
  const size_t used = std::strlen(out);
  std::snprintf(out + used, kTextSize - used, "%s", text);
}

}  // namespace

int LaunchConfigTool(HWND owner) {
  Text name = "0", folder = "0", message = "0", directory = "0";

  HKEY page_key;
  if (OpenKey(kPageKey, page_key)) {
    if (!ReadText(page_key, "ConfigToolName", name) || IsDefault(name)) {
      Copy(name, kDefaultToolName);
    }
    if (!ReadText(page_key, "ConfigToolLocation", folder) || IsDefault(folder)) {
      HKEY software_key;
      if (!OpenKey(kSdkKey, software_key) && !OpenKey(kSystemSoftwareKey, software_key)) {
        RegCloseKey(page_key);
        MessageBoxA(owner,
                    "Failed to launch configuration tool\n"
                    "Reason: Corvane Software not installed\n",
                    kTitle, MB_ICONERROR);
        return 0;
      }
      if (!ReadText(software_key, "RuntimeConfigtoolPath", folder) &&
          !ReadText(software_key, "SDKConfigtoolPath", folder)) {
        RegCloseKey(software_key);
        RegCloseKey(page_key);
        MessageBoxA(owner,
                    "Cannot launch configuration tool\n"
                    "Reason: Configuration tool is not installed.\n",
                    kTitle, MB_ICONINFORMATION);
        return 0;
      }
      RegCloseKey(software_key);
    }
    RegCloseKey(page_key);
  }

  // The folder becomes the full path.
  const size_t length = std::strlen(folder);
  if (length == 0 || (folder[length - 1] != '\\' && folder[length - 1] != '/'))
    Append(folder, "\\");
  Append(folder, name);

  STARTUPINFOA startup_info;
  GetStartupInfoA(&startup_info);
  const DWORD directory_length = GetCurrentDirectoryA(kTextSize, directory);
  const bool have_directory = directory_length > 0 && directory_length < kTextSize;

  PROCESS_INFORMATION process{};
  if (CreateProcessA(folder, name, nullptr, nullptr, FALSE,
                     DETACHED_PROCESS | NORMAL_PRIORITY_CLASS, nullptr,
                     have_directory ? directory : nullptr, &startup_info, &process)) {
    // The page does not wait for the tool.
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return 1;
  }
  const DWORD error = GetLastError();
  std::snprintf(message, kTextSize, "GetLastError = %d\n", static_cast<int>(error));
  Append(message, "Failed to launch configuration tool. \nPath: ");
  Append(message, folder);
  MessageBoxA(owner, message, kTitle, MB_ICONERROR);
  return 0;
}

}  // namespace proppage
