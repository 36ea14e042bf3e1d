#include "tests/support/program.h"

#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <sstream>

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

int RunTarrow(const std::string& arguments, std::string* output) {
  return RunCommand(TarrowCommand() + arguments + " 2>&1", output);
}

std::map<std::string, std::string> TarrowCommandHelp() {
  std::string help;
  RunCommand(TarrowCommand() + "--help", &help);
  std::map<std::string, std::string> commands;
  std::istringstream lines(help);
  std::string command;
  for (std::string line; std::getline(lines, line);) {
    if (line.size() > 2 && line.compare(0, 2, "  ") == 0 && islower(line[2])) {
      command = line.substr(2, line.find(' ', 2) - 2);
    }
    if (!command.empty()) commands[command] += line + "\n";
  }
  return commands;
}

}  // namespace vtx::testing
