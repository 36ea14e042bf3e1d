// tarrow-simd: serves one simulated machine to every process of this host on a Unix socket.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "os/driver.h"
#include "sim/daemon.h"
#include "sim/embedded.h"
#include "sim/machine.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) {
  g_stop = 1;
}

int Usage() {
  fprintf(stderr,
          "usage: tarrow-simd [--socket PATH] [--board FILE]\n"
          "  default socket: %s\n  default board: the built-in machine (sim/boards/default.cfg)\n",
          os::DefaultDaemonSocket().c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string socket_path = os::DefaultDaemonSocket();
  std::string board;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--socket") == 0 && i + 1 < argc) {
      socket_path = argv[++i];
    } else if (strcmp(argv[i], "--board") == 0 && i + 1 < argc) {
      board = argv[++i];
    } else if (strcmp(argv[i], "--help") == 0) {
      Usage();
      return 0;
    } else {
      fprintf(stderr, "tarrow-simd: unexpected argument \"%s\"\n", argv[i]);
      return Usage();
    }
  }
  std::string error;
  auto machine = sim::BuildMachine(board, error);
  if (!machine) {
    fprintf(stderr, "tarrow-simd: the machine file was refused:\n%s", error.c_str());
    return 1;
  }
  sim::Daemon daemon(*machine, socket_path);
  if (!daemon.Start(error)) {
    fprintf(stderr, "tarrow-simd: %s\n", error.c_str());
    return 1;
  }
  signal(SIGINT, OnSignal);
  signal(SIGTERM, OnSignal);
  fprintf(stderr, "tarrow-simd: serving %zu modules on %s\n", machine->ModuleNumbers().size(),
          socket_path.c_str());
  while (!g_stop) pause();
  daemon.Stop();
  return 0;
}
