// How a benchmark reaches a simulated machine: inside the process, or served by a daemon on a
// Unix socket of this process. Both run the same work, so the two figures compare the transports.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "os/driver.h"
#include "sim/daemon.h"
#include "sim/embedded.h"
#include "sim/machine.h"

namespace bench {

// Runs work(machine) with the process's driver on machine, simulated inside the process.
template <typename Work>
void OnEmbeddedMachine(std::unique_ptr<sim::Machine> machine, Work work) {
  sim::ReplaceEmbeddedMachine(std::move(machine));
  os::SetDriverForTesting(os::MakeEmbeddedTransport());
  work(sim::EmbeddedMachine());
  os::SetDriverForTesting(nullptr);
  sim::ReplaceEmbeddedMachine(nullptr);
}

// The socket of the daemon that ThroughDaemon starts for `tag`, named for this process.
inline std::string DaemonSocket(const char* tag) {
  return std::string("/tmp/tarrow-bench-") + tag + "-" + std::to_string(getpid()) + ".sock";
}

// Runs work(machine) with the process's driver on machine, served by a daemon on
// DaemonSocket(tag); a daemon that does not start skips the benchmark with its reason.
template <typename Work>
void ThroughDaemon(benchmark::State& state, std::unique_ptr<sim::Machine> machine, const char* tag,
                   Work work) {
  const std::string path = DaemonSocket(tag);
  sim::Daemon daemon(*machine, path);
  std::string error;
  if (!daemon.Start(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  os::SetDriverForTesting(os::MakeDaemonTransport(path));
  work(*machine);
  os::SetDriverForTesting(nullptr);
}

}  // namespace bench
