// The time from CallCtrlInit to every module running (the call returns once each module has
// started or failed), on the default machine and on machines of 2, 8 and 32 eight-channel
// boards, inside the process and through the daemon. `modules_per_s` must stay flat as the
// module count grows: the start of a module does not depend on how many others there are.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "bench/simulated_machine.h"
#include "callctrl/callctrl_init.h"
#include "sim/default_machine.h"
#include "sim/embedded.h"
#include "sim/machine.h"

namespace {

constexpr uint32_t kChannels = 8;

std::unique_ptr<sim::Machine> MachineOf(int64_t modules) {
  if (modules == 0) return sim::Machine::Default();
  auto machine = std::make_unique<sim::Machine>();
  for (int64_t i = 0; i < modules; ++i) {
    const auto number = static_cast<uint8_t>(2 + i);
    sim::MakeBoard(machine->AddModule(number), "GANTRY PCI board", kChannels,
                   static_cast<uint32_t>(i) * kChannels);
  }
  return machine;
}

// A user preference file naming a configuration that starts every module of the machine.
std::string WritePreferences() {
  const std::string base = "/tmp/tarrow-bench-cc-" + std::to_string(getpid());
  std::ofstream(base + ".cfg") << "[module.0]\nset_api = vtx\n";
  std::ofstream(base + "-cvcall.cfg") << "call_control = " << base << ".cfg\n";
  return base + "-cvcall.cfg";
}

void Starts(benchmark::State& state, int64_t modules) {
  const std::string preferences = WritePreferences();
  for (auto _ : state) {
    vtx::callctrl::CallCtrlInitRequest request{};
    request.userPreferenceFile = preferences.c_str();
    if (vtx::callctrl::CallCtrlInit(nullptr, &request) != 1 || !vtx::callctrl::CallCtrlRunning()) {
      state.SkipWithError("the framework did not start");
      break;
    }
    state.PauseTiming();
    vtx::callctrl::CallCtrlShutdown();
    state.ResumeTiming();
  }
  const int64_t count = modules == 0 ? 2 : modules;
  state.counters["modules"] = static_cast<double>(count);
  state.counters["modules_per_s"] =
      benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_StartEmbedded(benchmark::State& state) {
  bench::OnEmbeddedMachine(MachineOf(state.range(0)),
                           [&](sim::Machine&) { Starts(state, state.range(0)); });
}
// 0: the default machine (a GANTRY and a CORBEL).
BENCHMARK(BM_StartEmbedded)
    ->Arg(0)
    ->Arg(2)
    ->Arg(8)
    ->Arg(32)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_StartThroughDaemon(benchmark::State& state) {
  bench::ThroughDaemon(state, MachineOf(state.range(0)), "cc",
                       [&](sim::Machine&) { Starts(state, state.range(0)); });
}
BENCHMARK(BM_StartThroughDaemon)
    ->Arg(0)
    ->Arg(2)
    ->Arg(8)
    ->Arg(32)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
