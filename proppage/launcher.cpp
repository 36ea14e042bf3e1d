// Finds the configuration tool through the registry (the page's key may name it and its folder,
// or leave the folder to the installed development kit or system software) and starts it as a
// detached process with its name as the whole command line.
#include "proppage/launcher.h"

#include <cstdio>
#include <cstring>

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

// The tool's folder from the installed development kit or system software, when the page's key
// leaves it open; false after the message that says what is missing.
bool LookUpInstalledFolder(HWND owner, Text& folder) {
  HKEY software_key;
  if (!OpenKey(kSdkKey, software_key) && !OpenKey(kSystemSoftwareKey, software_key)) {
    MessageBoxA(owner,
                "Failed to launch configuration tool\n"
                "Reason: Corvane Software not installed\n",
                kTitle, MB_ICONERROR);
    return false;
  }
  const bool found = ReadText(software_key, "RuntimeConfigtoolPath", folder) ||
                     ReadText(software_key, "SDKConfigtoolPath", folder);
  RegCloseKey(software_key);
  if (!found) {
    MessageBoxA(owner,
                "Cannot launch configuration tool\n"
                "Reason: Configuration tool is not installed.\n",
                kTitle, MB_ICONINFORMATION);
  }
  return found;
}

// Where the tool is, from the registry: its name and folder from the page's key, the folder
// otherwise from the development kit's or the system software's key. False after telling the
// person why it cannot start.
bool LookUpTool(HWND owner, Text& name, Text& folder) {
  HKEY page_key;
  if (!OpenKey(kPageKey, page_key)) return true;  // neither name nor folder: both stay "0"
  if (!ReadText(page_key, "ConfigToolName", name) || IsDefault(name)) Copy(name, kDefaultToolName);
  const bool found = (ReadText(page_key, "ConfigToolLocation", folder) && !IsDefault(folder)) ||
                     LookUpInstalledFolder(owner, folder);
  RegCloseKey(page_key);
  return found;
}

// Only a folder named from a root is searched for the tool: a relative one (also the "0" left when
// the registry names none, or an empty one) would be taken from the current directory of
// whatever process shows the page, and start a program found there by accident.
bool IsAbsoluteFolder(const Text& folder) {
  const bool drive =
      ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
      folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
  const bool network = folder[0] == '\\' && folder[1] == '\\';
  return drive || network || folder[0] == '/';
}

// The folder with the tool's name: the full path.
void BuildToolPath(Text& folder, const Text& name) {
  const size_t length = std::strlen(folder);
  if (length == 0 || (folder[length - 1] != '\\' && folder[length - 1] != '/')) {
    Append(folder, "\\");
  }
  Append(folder, name);
}

// Starts the tool detached, in the current directory, with its name as the command line. The
// page does not wait for it.
bool StartTool(const Text& path, Text& name) {
  STARTUPINFOA startup_info;
  GetStartupInfoA(&startup_info);
  Text directory = "0";
  const DWORD directory_length = GetCurrentDirectoryA(kTextSize, directory);
  const bool have_directory = directory_length > 0 && directory_length < kTextSize;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(path, name, nullptr, nullptr, FALSE, DETACHED_PROCESS | NORMAL_PRIORITY_CLASS,
                      nullptr, have_directory ? directory : nullptr, &startup_info, &process)) {
    return false;
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return true;
}

void ReportStartFailure(HWND owner, const Text& path) {
  Text message = "0";
  std::snprintf(message, kTextSize, "GetLastError = %d\n", static_cast<int>(GetLastError()));
  Append(message, "Failed to launch configuration tool. \nPath: ");
  Append(message, path);
  MessageBoxA(owner, message, kTitle, MB_ICONERROR);
}

}  // namespace

int LaunchConfigTool(HWND owner) {
  Text name = "0", folder = "0";
  if (!LookUpTool(owner, name, folder)) return 0;
  const bool absolute = IsAbsoluteFolder(folder);
  BuildToolPath(folder, name);
  if (!absolute) {
    SetLastError(ERROR_FILE_NOT_FOUND);  // as when the tool is not where the registry says
  } else if (StartTool(folder, name)) {
    return 1;
  }
  ReportStartFailure(owner, folder);
  return 0;
}

}  // namespace proppage
