// tarrow-simd: serves one simulated machine to the processes of this host on a Unix socket.
#include <getopt.h>
#include <grp.h>
#include <pthread.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "os/driver.h"
#include "os/private_folder.h"
#include "sim/daemon.h"
#include "sim/embedded.h"
#include "sim/machine.h"
#include "sim/wire.h"

namespace {

void Usage(FILE* to) {
  const sim::DaemonOptions defaults;
  fprintf(to,
          "usage: tarrow-simd [OPTION]...\n"
          "Serves one simulated machine to the processes of this host on a Unix socket.\n\n"
          "  --socket PATH          the socket (default %s)\n"
          "  --board FILE           the machine file (default: the built-in machine,\n"
          "                         which sim/boards/default.cfg writes out)\n"
          "  --group NAME           members of group NAME may connect too (socket mode 0660);\n"
          "                         otherwise only this user and root (socket mode 0600)\n"
          "  --max-clients N        connections served at once (default %zu)\n"
          "  --max-frame BYTES      the largest request accepted (default %zu, the largest\n"
          "                         legal request)\n"
          "  --frame-timeout MS     a connection idle inside a frame this long is closed\n"
          "                         (default %u)\n"
          "  --queue-limit N        packets a session's input holds before it overruns\n"
          "                         (default %zu)\n"
          "  -v, --verbose          log client connects and disconnects\n"
          "  -h, --help             this help\n"
          "      --version          the version of the daemon and of its simulated driver\n\n"
          "example: tarrow-simd --board /usr/share/tarrow/boards/chassis4.cfg -v\n",
          os::DefaultDaemonSocket().c_str(), defaults.max_clients, 1 + sim::wire::MaxRequestSize(),
          defaults.frame_timeout_ms, sim::Machine::kDefaultQueueLimit);
}

int UsageError(const std::string& message) {
  fprintf(stderr, "tarrow-simd: %s\nTry 'tarrow-simd --help' for more information.\n",
          message.c_str());
  return 2;
}

// A whole positive number for `option`, or false.
bool Count(const char* option, const char* text, uint64_t& value, std::string& error) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long parsed = strtoull(text, &end, 10);
  if (text[0] < '0' || text[0] > '9' || *end != '\0' || errno != 0 || parsed == 0 ||
      parsed > UINT32_MAX) {
    error =
        std::string("option '--") + option + "': expected a positive number, got \"" + text + "\"";
    return false;
  }
  value = parsed;
  return true;
}

// Room for every connection and the daemon's own files: the soft file limit is raised toward
// the hard one when it is lower.
void RaiseFileLimit(size_t clients) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  const rlim_t wanted = static_cast<rlim_t>(clients) + 32;
  if (limit.rlim_cur >= wanted) return;
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
  setrlimit(RLIMIT_NOFILE, &limit);
}

void Log(const std::string& text) {
  fprintf(stderr, "tarrow-simd: %s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  enum { kSocket = 256, kBoard, kGroup, kMaxClients, kMaxFrame, kFrameTimeout, kQueue, kVersion };
  const option options[] = {{"socket", required_argument, nullptr, kSocket},
                            {"board", required_argument, nullptr, kBoard},
                            {"group", required_argument, nullptr, kGroup},
                            {"max-clients", required_argument, nullptr, kMaxClients},
                            {"max-frame", required_argument, nullptr, kMaxFrame},
                            {"frame-timeout", required_argument, nullptr, kFrameTimeout},
                            {"queue-limit", required_argument, nullptr, kQueue},
                            {"verbose", no_argument, nullptr, 'v'},
                            {"help", no_argument, nullptr, 'h'},
                            {"version", no_argument, nullptr, kVersion},
                            {nullptr, 0, nullptr, 0}};
  sim::DaemonOptions daemon_options;
  daemon_options.log = Log;
  std::string board;
  bool default_socket = true;
  uint64_t queue_limit = sim::Machine::kDefaultQueueLimit;
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, ":vh", options, nullptr)) != -1;) {
    uint64_t number = 0;
    std::string error;
    switch (c) {
      case kSocket:
        daemon_options.socket_path = optarg;
        default_socket = false;
        break;
      case kBoard:
        board = optarg;
        break;
      case kGroup: {
        const group* found = getgrnam(optarg);
        if (found == nullptr) return UsageError(std::string("no group \"") + optarg + "\"");
        daemon_options.group = found->gr_gid;
        break;
      }
      case kMaxClients:
      case kMaxFrame:
      case kFrameTimeout:
      case kQueue: {
        const char* name = options[c - kSocket].name;
        if (!Count(name, optarg, number, error)) return UsageError(error);
        if (c == kMaxClients) daemon_options.max_clients = number;
        if (c == kMaxFrame) daemon_options.max_frame = number;
        if (c == kFrameTimeout) daemon_options.frame_timeout_ms = static_cast<uint32_t>(number);
        if (c == kQueue) queue_limit = number;
        break;
      }
      case 'v':
        daemon_options.verbose = true;
        break;
      case 'h':
        Usage(stdout);
        return 0;
      case kVersion: {
        const VtxDriverVersion driver = sim::Machine().DriverVersion();
        printf("tarrow-simd %s (simulated driver %u build %u, interface %u)\n", TARROW_VERSION_TEXT,
               driver.driver_version, driver.driver_build, driver.interface_version);
        return 0;
      }
      case ':':
        return UsageError(std::string("option '") + argv[optind - 1] + "' requires an argument");
      default:
        return UsageError(std::string("unrecognized option '") + argv[optind - 1] + "'");
    }
  }
  if (optind < argc) return UsageError(std::string("unexpected argument \"") + argv[optind] + "\"");

  if (default_socket) {
    daemon_options.socket_path = os::DefaultDaemonSocket();
    const std::string unfit = os::CheckDaemonSocketFolder(true);
    if (!unfit.empty()) {
      fprintf(stderr, "tarrow-simd: %s; refusing to serve there\n", unfit.c_str());
      return 1;
    }
  }
  std::string error;
  auto machine = sim::BuildMachine(board, error);
  if (!machine) {
    fprintf(stderr, "tarrow-simd: the machine file was refused:\n%s", error.c_str());
    return 1;
  }
  machine->SetQueueLimit(queue_limit);
  RaiseFileLimit(daemon_options.max_clients);
  // Blocked before the loop's thread starts, so that only this thread takes the signals.
  sigset_t stopping;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGINT);
  sigaddset(&stopping, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
  sim::Daemon daemon(*machine, daemon_options);
  if (!daemon.Start(error)) {
    fprintf(stderr, "tarrow-simd: %s\n", error.c_str());
    return 1;
  }
  fprintf(stderr, "tarrow-simd: serving %zu modules on %s\n", machine->ModuleNumbers().size(),
          daemon_options.socket_path.c_str());
  int signal_number = 0;
  sigwait(&stopping, &signal_number);
  daemon.Stop();
  return 0;
}
