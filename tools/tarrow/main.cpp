// tarrow: what the library knows of this machine's boards, for administrators and scripts.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/options.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"

namespace tarrow {
namespace {

constexpr int kUsageStatus = 2;

std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

void Usage(FILE* out) {
  fprintf(out,
          "usage: tarrow COMMAND [ARGS]\n"
          "       tarrow COMMAND --help | --help | --version\n\ncommands:\n");
  for (const auto& [name, command] : Commands()) {
    fprintf(out, "  %-14s %s\n", name.c_str(), command.usage);
    fprintf(out, "  %-14s   %s\n", "", command.summary);
  }
  fprintf(out,
          "\nMODULE is a module number, decimal or hexadecimal with 0x. TARROW_DRIVER selects the "
          "board:\ndevice, sim (the built-in simulated machine) or sim:SOCKET; unset, the device "
          "node, else the\nsimulator daemon on its default socket (%s).\n",
          vtx::tool::DefaultDaemonSocket().c_str());
}

void CommandHelp(const Command& command) {
  printf("usage: tarrow %s\n\n%s.\n\n  -h, --help         show this help\n", command.usage,
         command.summary);
  // The option lines follow that of --help; anything else after a blank line.
  if (command.help[0] != '\0') printf("%s%s", command.help[0] == ' ' ? "" : "\n", command.help);
}

void Version() {
  printf("tarrow %s (library %u.%u build %u, interface %u)\n", TARROW_VERSION,
         (CV_API_VERSION / 1000) % 100, CV_API_VERSION % 1000, CV_API_BUILD / 100000,
         CV_API_VERSION / 100000);
  VtxDriverVersion driver{};
  std::string problem = vtx::tool::DriverProblem();
  while (!problem.empty() && problem.back() == '\n') problem.pop_back();
  if (!problem.empty() || !vtx::tool::DriverVersionOf(driver)) {
    printf("driver: not reachable (%s)\n",
           problem.empty() ? "version handshake failed" : problem.c_str());
    return;
  }
  printf("driver %d build %d, interface %d (%s)\n", driver.driver_version, driver.driver_build,
         driver.interface_version, vtx::tool::DriverDescription().c_str());
}

// "--help" or "-h" among the options (before any "--").
bool AsksForHelp(int argc, char** argv) {
  for (int i = 2; i < argc && strcmp(argv[i], "--") != 0; ++i) {
    if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) return true;
  }
  return false;
}

bool AsksForJson(const Args& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--json") return true;
  }
  return false;
}

// The API trace log reaches the person at the terminal when TARROW_TRACE=MASK asks for it (0x8
// the library's errors, 0x4 information, 0x2 packets): without it each failure is told once, by
// the command, naming its cause.
int TraceToStderr(const char* line) {
  if (RepeatsStartupNote(line)) return 0;
  fprintf(stderr, "%s\n", line);
  return 0;
}

// The settings from the environment, checked before anything is done: "" or what is wrong.
std::string SettingsProblem(uint32_t& trace_mask) {
  trace_mask = 0;
  const char* mask = getenv("TARROW_TRACE");
  unsigned long value = 0;
  if (mask != nullptr && !ReadNumber(mask, 0, 0xFFFFFFFF, value)) {
    return std::string(
               "TARROW_TRACE: expected a trace mask (decimal, or hexadecimal with 0x), "
               "got \"") +
           mask + "\"";
  }
  if (mask != nullptr) trace_mask = static_cast<uint32_t>(value);
  std::string problem = vtx::tool::DriverSettingProblem();
  while (!problem.empty() && problem.back() == '\n') problem.pop_back();
  return problem;
}

}  // namespace

void Register(const Command& command) {
  Commands()[command.name] = command;
}

void NoteSimulatedBoard() {
  static bool noted = false;
  if (noted) return;
  noted = true;
  const std::string problem = vtx::tool::DriverProblem();
  if (!problem.empty()) {
    Error(problem);
    exit(EndRun(1));
  }
  if (vtx::tool::DriverIsSimulated()) {
    fprintf(stderr, "tarrow: simulated board (%s)\n", vtx::tool::DriverDescription().c_str());
  }
}

}  // namespace tarrow

int main(int argc, char** argv) {
  using namespace tarrow;
  if (argc < 2) {
    Usage(stderr);
    return kUsageStatus;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h" || (first == "help" && argc == 2)) {
    Usage(stdout);
    return EndRun(0);
  }
  if (first == "--version") {
    Version();
    return EndRun(0);
  }
  const bool help_of_command = first == "help";
  const std::string name = help_of_command ? argv[2] : first;
  auto found = Commands().find(name);
  if (found == Commands().end()) {
    fprintf(stderr, "tarrow: unknown command \"%s\"\nTry 'tarrow --help' for more information.\n",
            name.c_str());
    return kUsageStatus;
  }
  const Command& command = found->second;
  if (help_of_command || AsksForHelp(argc, argv)) {
    CommandHelp(command);
    return EndRun(0);
  }
  Args args(argv + 2, argv + argc);
  BeginRun(name, AsksForJson(args));
  const std::string option_problem = OptionProblem(command, args);
  if (!option_problem.empty()) {
    Error(option_problem);
    fprintf(stderr, "Try 'tarrow %s --help' for more information.\n", name.c_str());
    return EndRun(kUsageStatus);
  }
  uint32_t trace_mask = 0;
  const std::string settings_problem = SettingsProblem(trace_mask);
  if (!settings_problem.empty()) {
    Error(settings_problem);
    return EndRun(kUsageStatus);
  }
  vtx::tool::InstallFunction(&TraceToStderr);
  vtx::tool::ExchangeMask(trace_mask);
  CV_API_SET_VER();
  return EndRun(command.run(args));
}
