// A detached start forks twice: the intermediate process starts the program and leaves at once,
// so the program is adopted by init and never waits as the caller's zombie. Both tell the caller
// through a pipe what became of the start; the pipe closes on the program's exec.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "os/process_start.h"

extern char** environ;

namespace os {
namespace {

// What the starting processes tell the caller through the report pipe.
struct Report {
  int kind;  // kStarted with the program's process id, or kFailed with an errno
  int value;
};
constexpr int kStarted = 1;
constexpr int kFailed = 2;

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

int StartDetached(const char* path, char* const* arguments, char* const* environment,
                  const char* directory) {
  rlimit limit{};
  const int max_fd = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536
                         ? static_cast<int>(limit.rlim_cur)
                         : 65536;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return -1;
  const pid_t intermediate = fork();
  if (intermediate == 0) {
    close(pipe_fds[0]);
    const pid_t program = fork();
    if (program == 0) {
      StartProgram(path, arguments, environment ? environment : environ, directory, pipe_fds[1],
                   max_fd);
    }
    WriteReport(pipe_fds[1], program > 0 ? kStarted : kFailed, program > 0 ? program : errno);
    _exit(0);
  }
  int error = intermediate < 0 ? errno : 0;
  close(pipe_fds[1]);
  if (intermediate > 0) {
    int status = 0;
    while (waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
  }
  // The pipe reaches end of file when both processes are gone or the program has been executed.
  Report report{};
  pid_t program = 0;
  while (read(pipe_fds[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report)) {
    if (report.kind == kStarted) program = report.value;
    if (report.kind == kFailed) error = report.value;
  }
  close(pipe_fds[0]);
  if (error != 0 || program == 0) {
    errno = error != 0 ? error : ECHILD;
    return -1;
  }
  return program;
}

}  // namespace os
