// The worst-case module lookup: a location that names module 126, so that modules 2 to 126 are
// each opened, handshaken, queried and closed; inside the process and through the daemon.
#include "api/module_lookup.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "os/driver.h"
#include "sim/daemon.h"
#include "sim/default_machine.h"
#include "sim/embedded.h"

namespace {

constexpr const char* kLastModule = "VIRTUAL module 126";

std::unique_ptr<sim::Machine> MachineWithModule126() {
  auto machine = sim::Machine::Default();
  sim::MakeBoard(machine->AddModule(126), kLastModule, 2, 500);
  return machine;
}

void RunLookups(benchmark::State& state) {
  for (auto _ : state) {
    if (vtx::LookupModule(kLastModule) != 126) state.SkipWithError("module 126 not found");
  }
  state.counters["modules_per_lookup"] = 125;
}

void BM_LookupEmbedded(benchmark::State& state) {
  sim::ReplaceEmbeddedMachine(MachineWithModule126());
  os::SetDriverForTesting(os::MakeEmbeddedTransport());
  RunLookups(state);
  os::SetDriverForTesting(nullptr);
}
BENCHMARK(BM_LookupEmbedded)->Unit(benchmark::kMillisecond);

void BM_LookupThroughDaemon(benchmark::State& state) {
  auto machine = MachineWithModule126();
  std::string path = "/tmp/tarrow-bench-" + std::to_string(getpid()) + ".sock";
  sim::Daemon daemon(*machine, path);
  std::string error;
  if (!daemon.Start(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  os::SetDriverForTesting(os::MakeDaemonTransport(path));
  RunLookups(state);
  os::SetDriverForTesting(nullptr);
}
BENCHMARK(BM_LookupThroughDaemon)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
