// The worst-case module lookup: a location that names the highest module number of the address
// mode (126, or 254 in full-byte mode), so that every module number from 2 is queried, each
// query opening the driver, doing its handshake and closing it again. Each iteration looks up
// once through the daemon, as a fresh process would (its first open connects), and once inside
// the process, the floor of what the queries cost.
//
// Prints `daemon_ms` (at most 5 in 7-bit mode, 10 in full-byte mode) and `over_in_process`.
#include "api/module_lookup.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "bench/simulated_machine.h"
#include "sim/default_machine.h"
#include "sim/embedded.h"

namespace {

using Clock = std::chrono::steady_clock;

// The default machine with a module of the highest number, named `name`.
std::unique_ptr<sim::Machine> MachineUpTo(bool full_byte, const char* name) {
  auto machine = sim::Machine::Default();
  VtxDriverVersion version = machine->DriverVersion();
  version.full_byte_address_mode = full_byte ? 1 : 0;
  machine->SetDriverVersion(version);
  sim::MakeBoard(machine->AddModule(full_byte ? 254 : 126), name, 2, 500);
  return machine;
}

double LookupSeconds(const char* name, int expected, benchmark::State& state) {
  const auto start = Clock::now();
  if (vtx::LookupModule(name) != expected) state.SkipWithError("the last module was not found");
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_WorstCaseLookup(benchmark::State& state) {
  const bool full_byte = state.range(0) != 0;
  const char* name = full_byte ? "VIRTUAL module 254" : "VIRTUAL module 126";
  const int last = full_byte ? 254 : 126;
  const char* tag = full_byte ? "lookup8" : "lookup7";
  double daemon = 0, inside = 0;
  bench::ThroughDaemon(state, MachineUpTo(full_byte, name), tag, [&](sim::Machine&) {
    sim::ReplaceEmbeddedMachine(MachineUpTo(full_byte, name));
    for (auto _ : state) {
      os::SetDriverForTesting(os::MakeDaemonTransport(bench::DaemonSocket(tag)));
      const double through = LookupSeconds(name, last, state);
      os::SetDriverForTesting(os::MakeEmbeddedTransport());
      inside += LookupSeconds(name, last, state);
      daemon += through;
      state.SetIterationTime(through);
    }
    sim::ReplaceEmbeddedMachine(nullptr);
  });
  const double runs = static_cast<double>(state.iterations());
  state.counters["modules"] = last - 1;
  state.counters["daemon_ms"] = daemon / runs * 1e3;
  state.counters["in_process_ms"] = inside / runs * 1e3;
  state.counters["over_in_process"] = inside > 0 ? daemon / inside : 0;
}
BENCHMARK(BM_WorstCaseLookup)
    ->ArgName("full_byte")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
