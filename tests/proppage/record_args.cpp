// A stand-in configuration tool: writes what it was started with (arguments, directory, session
// and open descriptors) to the file named by RECORD_ARGS_FILE, atomically.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  const char* out = std::getenv("RECORD_ARGS_FILE");
  if (!out) return 2;
  const std::string temporary = std::string(out) + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "w");
  if (!file) return 3;
  std::fprintf(file, "argc=%d\n", argc);
  for (int i = 0; i < argc; ++i) std::fprintf(file, "argv=%s\n", argv[i]);
  char directory[4096] = {};
  std::fprintf(file, "cwd=%s\n", getcwd(directory, sizeof directory) ? directory : "?");
  std::fprintf(file, "session_leader=%d\n", getsid(0) == getpid() ? 1 : 0);
  int extra = 0;
  for (int fd = 3; fd < 256; ++fd) {
    if (fd != fileno(file) && fcntl(fd, F_GETFD) != -1) ++extra;
  }
  std::fprintf(file, "extra_fds=%d\n", extra);
  std::fclose(file);
  return std::rename(temporary.c_str(), out) == 0 ? 0 : 4;
}
