// tarrow callctrl: starts the call-control framework as an application does (a line configured
// with its defaults), shows each module's role and then the call-control trace as it grows until
// interrupted; Ctrl-C stops every module and ends with status 0. It is also the application on
// the IP channels, answering their calls, unless --no-answer leaves them to another.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "api/tool_support.h"
#include "callctrl/board/board_identity.h"
#include "callctrl/board/board_module.h"
#include "callctrl/callctrl_init.h"
#include "callctrl/config/callctrl_config.h"
#include "callctrl/hostmod/host_module.h"
#include "callctrl/module_tables.h"
#include "callctrl/trace_config.h"
#include "lineconfig/file_limits.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/ip_answer.h"
#include "tools/tarrow/preferences.h"

namespace tarrow {
namespace {

namespace cc = vtx::callctrl;

constexpr useconds_t kPollInterval = 100000;  // how often the trace file is looked at

std::atomic<bool> g_interrupted{false};
std::atomic<bool> g_status_wanted{false};

void OnInterrupt(int) {
  g_interrupted = true;
}

void OnStatusSignal(int) {
  g_status_wanted = true;
}

int Usage() {
  fprintf(stderr,
          "usage: tarrow callctrl [--config CALLCTRL.CFG] [--preferences CVCALL.CFG | --defaults] "
          "[--trace FILE] [--status] [--no-answer]\n");
  return 2;
}

// A user preference file of our own that names `config`, keeping the other lines of
// `preferences`. Removed when the command ends.
class PrivatePreferences {
 public:
  ~PrivatePreferences() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  bool Make(const std::string& preferences, const std::string& config) {
    std::error_code error;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / "tarrow-cvcall-XXXXXX").string();
    const int fd = error ? -1 : mkstemp(pattern.data());
    if (fd < 0) return false;
    close(fd);
    path_ = pattern;
    std::ofstream out(path_);
    if (!preferences.empty()) {
      std::ifstream in(preferences);
      for (std::string line; std::getline(in, line);) {
        if (line.find("call_control") == std::string::npos) out << line << "\n";
      }
    }
    std::error_code ignored;
    out << "call_control = " << std::filesystem::absolute(config, ignored).string() << "\n";
    return out.good();
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void PrintModules() {
  for (uint32_t number = cc::kFirstBoardModule; number < cc::kBoardModuleSlots; ++number) {
    const cc::BoardModule* module = cc::BoardModuleAt(number).module;
    if (module == nullptr) continue;
    if (module->in_other_process) {
      printf("Module 0x%X running in another process.\n", number);
      continue;
    }
    printf("Module 0x%X started as master: %s (board type %u), %u ports, %u connections\n", number,
           cc::BoardTypeName(module->board_type), module->board_type, module->port_count,
           module->connections_made);
  }
  for (uint32_t number = 1; number <= cc::kMaxHostModule; ++number) {
    const cc::HostModule* host = cc::HostModuleAt(number);
    if (host != nullptr)
      printf("Host module 0x%X started: %s\n", number, host->library_info.c_str());
  }
  fflush(stdout);
}

void PrintPool(const char* separator, const char* name, const cc::PoolCount& count) {
  printf("%s%s %u (%u free)", separator, name, count.allocated, count.free);
}

// Each host module's queue depth, then the message pools the host modules share and the
// timers pending in the process.
void PrintStatus() {
  for (uint32_t number = 1; number <= cc::kMaxHostModule; ++number) {
    cc::HostModule* host = cc::HostModuleAt(number);
    if (host != nullptr) printf("Host module 0x%X: queue depth %zu\n", number, host->queue.Depth());
  }
  cc::HostMessagePools* pools = cc::HostMessagePools::Get();
  if (pools != nullptr) {
    const cc::PoolCounts counts = pools->Counts();
    PrintPool("Host message pools: ", "message blocks", counts.blocks);
    PrintPool(", ", "packet messages", counts.packets);
    PrintPool(", ", "timer messages", counts.timers);
    printf("; timers pending %u\n", cc::PendingTimers(cc::GetTimerService()));
  }
  fflush(stdout);
}

// Copies what the trace file gained since `offset` to standard output.
void FollowTrace(const std::string& name, std::streamoff& offset) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return;
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (end < offset) offset = 0;  // the file wrapped or a new one began
  in.seekg(offset);
  std::string text(static_cast<size_t>(end - offset), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  offset = end;
  fwrite(text.data(), 1, text.size(), stdout);
  fflush(stdout);
}

int Run(const Args& arguments) {
  Args args = arguments;
  const bool defaults = TakeDefaults(args);
  const std::string config = TakeOption(args, "--config", "");
  const std::string preferences = TakeOption(args, "--preferences", "");
  const std::string trace = TakeOption(args, "--trace", "");
  const bool status = TakeFlag(args, "--status");
  const bool answer = !TakeFlag(args, "--no-answer");
  if (!args.empty() || (defaults && !preferences.empty())) return Usage();
  if ((!config.empty() &&
       !NamedFileReadable("callctrl", "--config", config, vtx::callctrl::kConfigFileLimit)) ||
      (!preferences.empty() &&
       !NamedFileReadable("callctrl", "--preferences", preferences, vtx::kUserConfigLimit))) {
    return 1;
  }
  NoteSimulatedBoard();
  CV_API_SET_VER();
  PrivatePreferences own;
  std::string user_preferences = FindPreferenceFile(preferences);
  if (!config.empty()) {
    if (!own.Make(user_preferences, config)) {
      fprintf(stderr,
              "tarrow callctrl: cannot write a user preference file in the temporary "
              "folder\n");
      return 1;
    }
    user_preferences = own.path();
  }
  if (!trace.empty() && !cc::TraceStartInto(trace.c_str())) {
    fprintf(stderr, "tarrow callctrl: %s: cannot open the trace file\n", trace.c_str());
    return 1;
  }
  VtxLineArgs attach{};
  attach.unit = -1;
  VtxLine* line = VtxLineAttach(&attach);
  if (line == nullptr) {
    vtx::tool::StatusText text{};
    vtx::tool::FormStatusText(nullptr, attach.status, attach.line_status, &text);
    fprintf(stderr, "tarrow callctrl: no line to configure: %s\n", text.description);
    return 1;
  }
  VtxLineArgs configure{};
  configure.config_file_name = user_preferences.empty() ? nullptr : user_preferences.c_str();
  if (VtxLineConfig(line, &configure) != 0) {
    vtx::tool::StatusText text{};
    vtx::tool::FormStatusText(line, configure.status, configure.line_status, &text);
    fprintf(stderr, "tarrow callctrl: the call-control framework did not start: %s\n",
            text.description);
    VtxLineArgs detach{};
    VtxLineDetach(line, &detach);
    return 1;
  }
  PrintModules();
  auto answerer = std::make_unique<IpAnswerer>();
  if (answer) answerer->Attach();
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  if (status) {
    std::signal(vtx::tool::StatusSignal(), OnStatusSignal);
    PrintStatus();
  }
  std::streamoff offset = 0;
  std::string name = cc::OpenTraceFileName();
  if (name.empty()) {
    printf("No call-control trace file is open.\n");
  } else {
    printf("Call-control trace %s (Ctrl-C stops):\n", name.c_str());
  }
  fflush(stdout);
  while (!g_interrupted) {
    const std::string current = cc::OpenTraceFileName();
    if (current != name) {  // the series moved on to its next file
      name = current;
      offset = 0;
    }
    if (!name.empty()) FollowTrace(name, offset);
    if (g_status_wanted.exchange(false)) PrintStatus();
    answerer->Poll();
    usleep(kPollInterval);
  }
  answerer.reset();
  if (status) PrintStatus();
  cc::CallCtrlShutdown();
  VtxLineArgs detach{};
  VtxLineDetach(line, &detach);
  printf("Every module stopped.\n");
  return 0;
}

}  // namespace

constexpr char kHelp[] =
    "  --config CALLCTRL.CFG    the call-control configuration\n"
    "  --preferences CVCALL.CFG the user preference file\n"
    "  --trace FILE       trace into FILE unless the configuration names its own\n"
    "  --defaults         the built-in line settings, without a preference file\n"
    "  --status           the host modules' queues, pools and timers, at start and on\n"
    "                     SIGUSR1 (Ctrl-Break on Windows)\n"
    "  --no-answer        leave the calls offered on the IP channels to another application\n"
    "\n"
    "Example:\n"
    "  tarrow callctrl --config callctrl/examples/simulator.cfg\n";

TARROW_COMMAND("callctrl",
               "callctrl [--config CALLCTRL.CFG] [--preferences CVCALL.CFG | --defaults] "
               "[--trace FILE] [--status] [--no-answer]",
               "start the call-control framework as an application does and show its trace", Run,
               kHelp);

}  // namespace tarrow
