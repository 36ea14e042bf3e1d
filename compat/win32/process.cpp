// Starting programs as Windows starts a detached process, through the library's detached start:
// the program runs in a session of its own, inherits no descriptors, gets the caller's or the
// given environment and directory, and is nobody's child to wait for. A failure to start it
// comes back as the Windows error number of the errno that the start met.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "compat/win32/kernel_object.h"
#include "os/process_start.h"

namespace {

struct ProcessObject : win32compat::KernelObject {};

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case ENOEXEC:
      return ERROR_BAD_EXE_FORMAT;
    case ENOMEM:
    case EAGAIN:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    default:
      return ERROR_GEN_FAILURE;
  }
}

std::string PosixPath(const char* path) {
  std::string converted = path;
  for (char& c : converted) {
    if (c == '\\') c = '/';
  }
  return converted;
}

// Splits a command line as Windows programs do: blanks separate words, double quotes group.
std::vector<std::string> SplitCommandLine(const char* command_line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false, quoted = false;
  for (const char* p = command_line; p && *p; ++p) {
    if (*p == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((*p == ' ' || *p == '\t') && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word.push_back(*p);
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

}  // namespace

void WINAPI GetStartupInfoA(LPSTARTUPINFOA info) {
  if (!info) return;
  std::memset(info, 0, sizeof *info);
  info->cb = sizeof *info;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  std::string directory(4096, '\0');
  if (!getcwd(&directory[0], directory.size())) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  directory.resize(std::strlen(directory.c_str()));
  if (!buffer || size <= directory.size()) return static_cast<DWORD>(directory.size() + 1);
  std::memcpy(buffer, directory.c_str(), directory.size() + 1);
  return static_cast<DWORD>(directory.size());
}

BOOL WINAPI CreateProcessA(LPCSTR application_name, LPSTR command_line, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID environment,
                           LPCSTR current_directory, LPSTARTUPINFOA,
                           LPPROCESS_INFORMATION process_information) {
  std::vector<std::string> words = SplitCommandLine(command_line);
  if (!application_name && words.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string path = PosixPath(application_name ? application_name : words[0].c_str());
  const std::string directory = current_directory ? PosixPath(current_directory) : std::string();
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  // A Windows environment block: "NAME=value" texts one after another, ended by an empty one.
  std::vector<char*> envp;
  for (char* entry = static_cast<char*>(environment); entry && *entry;
       entry += std::strlen(entry) + 1) {
    envp.push_back(entry);
  }
  envp.push_back(nullptr);
  const int program =
      os::StartDetached(path.c_str(), argv.data(), environment ? envp.data() : nullptr,
                        current_directory ? directory.c_str() : nullptr);
  if (program < 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  if (process_information) {
    process_information->hProcess = new ProcessObject();
    process_information->hThread = new ProcessObject();
    process_information->dwProcessId = static_cast<DWORD>(program);
    process_information->dwThreadId = static_cast<DWORD>(program);
  }
  return TRUE;
}
