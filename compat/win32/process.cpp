// Starting programs as Windows starts a detached process: the program runs in a session of its
// own, inherits no descriptors (its standard streams are /dev/null), gets the caller's or the
// given environment and directory, and is nobody's child to wait for. A failure to start it
// comes back as the Windows error number of the errno that the start met.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "compat/win32/kernel_object.h"

extern char** environ;

namespace {

struct ProcessObject : win32compat::KernelObject {};

// What the starting processes tell the caller through the report pipe.
struct Report {
  int kind;  // kStarted with the program's process id, or kFailed with an errno
  int value;
};
constexpr int kStarted = 1;
constexpr int kFailed = 2;

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

void WriteReport(int fd, int kind, int value) {
  const Report report{kind, value};
  ssize_t ignored = write(fd, &report, sizeof report);
  (void)ignored;
}

// In the program's process, between fork and exec: only async-signal-safe calls.
[[noreturn]] void StartProgram(const char* path, char* const* argv, char* const* envp,
                               const char* directory, int report_fd, int max_fd) {
  setsid();
  if (directory && chdir(directory) != 0) {
    WriteReport(report_fd, kFailed, errno);
    _exit(127);
  }
  const int null_fd = open("/dev/null", O_RDWR);
  if (null_fd >= 0) {
    dup2(null_fd, 0);
    dup2(null_fd, 1);
    dup2(null_fd, 2);
  }
  for (int fd = 3; fd < max_fd; ++fd) {
    if (fd != report_fd) close(fd);
  }
  execve(path, argv, envp);
  WriteReport(report_fd, kFailed, errno);
  _exit(127);
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
  rlimit limit{};
  const int max_fd = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536
                         ? static_cast<int>(limit.rlim_cur)
                         : 65536;

  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  // The intermediate process starts the program and leaves at once, so the program is adopted
  // by init and never waits as our zombie.
  const pid_t intermediate = fork();
  if (intermediate == 0) {
    close(pipe_fds[0]);
    const pid_t program = fork();
    if (program == 0) {
      StartProgram(path.c_str(), argv.data(), environment ? envp.data() : environ,
                   current_directory ? directory.c_str() : nullptr, pipe_fds[1], max_fd);
    }
    WriteReport(pipe_fds[1], program > 0 ? kStarted : kFailed, program > 0 ? program : errno);
    _exit(0);
  }
  const int fork_error = intermediate < 0 ? errno : 0;
  close(pipe_fds[1]);
  if (intermediate > 0) {
    int status = 0;
    while (waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
  }
  // The pipe reaches end of file when both processes are gone or the program has been executed.
  Report report{};
  pid_t program = 0;
  int error = intermediate > 0 ? 0 : fork_error;
  while (read(pipe_fds[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report)) {
    if (report.kind == kStarted) program = report.value;
    if (report.kind == kFailed) error = report.value;
  }
  close(pipe_fds[0]);
  if (error != 0 || program == 0) {
    SetLastError(ErrorFromErrno(error != 0 ? error : ECHILD));
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
