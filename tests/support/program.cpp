#include "tests/support/program.h"

#include <sys/wait.h>

#include <cstdio>

namespace vtx::testing {

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  output->clear();
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output->append(buffer, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string TarrowCommand() {
  return std::string(TARROW_BINARY_DIR) + "/bin/tarrow ";
}

}  // namespace vtx::testing
