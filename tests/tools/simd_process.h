// The tarrow-simd program of this build, started by a test as a child process on a socket in the
// test's own folder, and raw clients of it: what the daemon does for other processes is tested
// with other processes.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "sim/frame_io.h"
#include "tests/support/program.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {

// A connected Unix stream socket to `path`, or -1.
inline int ConnectTo(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Opens the board device on a raw connection: the errno the daemon answered, or -1 when the
// connection ended without an answer.
inline int OpenOn(int fd) {
  const uint8_t open_frame[] = {'O', '/', 'd', 'e', 'v', '/', 't', 'a', 'r', 'r', 'o', 'w'};
  sim::WriteFrame(fd, open_frame, sizeof open_frame);
  sim::wire::Bytes answer;
  if (!sim::ReadFrame(fd, answer) || answer.size() != 4) return -1;
  return static_cast<int>(sim::wire::Word(answer, 0));
}

// Waits up to `ms` for the child `pid` to end: its wait status, or -1 if it did not.
inline int WaitFor(pid_t pid, int ms) {
  for (int waited = 0; waited <= ms; waited += 10) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    usleep(10000);
  }
  return -1;
}

class SimdProcess {
 public:
  explicit SimdProcess(const TempDir& dir, const std::string& log = "simd.log")
      : dir_(dir), socket_(dir.Path("simd.sock")), log_(dir.Path(log)) {}
  ~SimdProcess() { Stop(); }

  // Starts tarrow-simd with `arguments` (--socket is added unless `own_socket`); `before_exec`
  // runs in the child first. Returns the exit status when the program ended within a few seconds
  // without serving, else -1 once it serves.
  int Start(std::vector<std::string> arguments, const std::function<void()>& before_exec = {},
            bool own_socket = false) {
    if (!own_socket) arguments.insert(arguments.begin(), {"--socket", socket_});
    arguments.insert(arguments.begin(), std::string(TARROW_BINARY_DIR) + "/bin/tarrow-simd");
    const std::string log = log_;
    unlink(log.c_str());  // what an earlier run said is not this run's
    pid_ = fork();
    if (pid_ == 0) {
      int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
      dup2(out, 1);
      dup2(out, 2);
      if (before_exec) before_exec();
      std::vector<char*> argv;
      for (auto& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    for (int i = 0; i < 500; ++i) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      // Serving once it says so: another daemon may answer on the same socket.
      if (Log().find("tarrow-simd: serving ") != std::string::npos) return -1;
      usleep(10000);
    }
    ADD_FAILURE() << "tarrow-simd did not start: " << Log();
    return -1;
  }
  // SIGTERM, then the exit status (-1 when it did not end within 5 s; it is then killed).
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = WaitFor(pid_, 5000);
    if (status == -1) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    return status;
  }
  pid_t pid() const { return pid_; }
  const std::string& socket() const { return socket_; }
  std::string Log() const { return ReadFileBytes(log_); }

 private:
  const TempDir& dir_;
  std::string socket_;
  std::string log_;
  pid_t pid_ = -1;
};

}  // namespace vtx::testing
