// The worst-case module lookup: a location that names module 126, so that modules 2 to 126 are
// each opened, handshaken, queried and closed; inside the process and through the daemon.
#include "api/module_lookup.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "bench/simulated_machine.h"
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
  bench::OnEmbeddedMachine(MachineWithModule126(), [&](sim::Machine&) { RunLookups(state); });
}
BENCHMARK(BM_LookupEmbedded)->Unit(benchmark::kMillisecond);

void BM_LookupThroughDaemon(benchmark::State& state) {
  bench::ThroughDaemon(state, MachineWithModule126(), "lookup",
                       [&](sim::Machine&) { RunLookups(state); });
}
BENCHMARK(BM_LookupThroughDaemon)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
