// SET+GET on 1, 16 and 64 lines: asynchronously from one thread through one notification line,
// against the same work done synchronously by one thread per line; inside the process and
// through the daemon. The board answers each command 1 ms late, as a board with work of its own
// does, so that the reads wait. Each iteration is 10 rounds of every line; items are operations.
#include "tests/support/async_lines.h"

#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

#include "admin.h"
#include "bench/simulated_machine.h"

namespace {

constexpr uint32_t kRounds = 10;
constexpr uint32_t kAnswerDelay = 1;  // ms
constexpr uint32_t kChannels = 8;     // of module 2 of the default machine

std::unique_ptr<sim::Machine> SlowMachine() {
  auto machine = sim::Machine::Default();
  machine->FindModule(2)->reply_delay_ms = kAnswerDelay;
  return machine;
}

VtxLine* Session(uint8_t kind, uint8_t unit) {
  VtxLineArgs args{};
  args.dest_addr[1] = kind;
  args.dest_addr[2] = 2;
  args.dest_addr[3] = unit;
  return VtxSessionAttach(&args);
}

void Detach(VtxLine* line) {
  VtxLineArgs args{};
  VtxLineDetach(line, &args);
}

// One line's rounds, synchronously: false on a failure.
bool SyncRounds(VtxLine* line, uint32_t variable) {
  for (uint32_t round = 0; round < kRounds; ++round) {
    MillArgs set{};
    set.facility = MILL_FACILITY_ADMIN;
    set.tag_id = variable;
    set.tag_type = MILL_TYPE_LONG;
    set.var_value = round;
    set.timeout = 5000;
    MillArgs get = set;
    if (VtxSetSingleVar(line, &set) != MILL_SEND_SENT) return false;
    VtxGetVar(line, &get);
    if (get.status != CV_STATUS_OK || get.var_value != round) return false;
  }
  return true;
}

void Run(benchmark::State& state, bool async) {
  const auto count = static_cast<size_t>(state.range(0));
  CV_API_SET_VER();
  VtxLine* notify = Session(1, 0);
  std::vector<VtxLine*> lines;
  for (size_t i = 0; i < count; ++i) lines.push_back(Session(2, i % kChannels));
  for (VtxLine* line : lines) {
    if (notify == nullptr || line == nullptr) state.SkipWithError("attach failed");
  }
  for (auto _ : state) {
    if (async) {
      vtx::testing::AsyncLines driver(notify, lines, kRounds);
      if (!driver.Run()) state.SkipWithError("an asynchronous operation failed");
    } else {
      std::vector<std::thread> threads;
      std::vector<char> ok(count, 0);
      for (size_t i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
          ok[i] =
              SyncRounds(lines[i], vtx::testing::AsyncLines::kVariable + static_cast<uint32_t>(i));
        });
      }
      for (auto& thread : threads) thread.join();
      for (char good : ok) {
        if (!good) state.SkipWithError("a synchronous operation failed");
      }
    }
    if (state.error_occurred()) break;
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count * kRounds * 2));
  for (VtxLine* line : lines) {
    if (line != nullptr) Detach(line);
  }
  if (notify != nullptr) Detach(notify);
}

void AsyncEmbedded(benchmark::State& state) {
  bench::OnEmbeddedMachine(SlowMachine(), [&](sim::Machine&) { Run(state, true); });
}
void SyncThreadsEmbedded(benchmark::State& state) {
  bench::OnEmbeddedMachine(SlowMachine(), [&](sim::Machine&) { Run(state, false); });
}
void AsyncDaemon(benchmark::State& state) {
  bench::ThroughDaemon(state, SlowMachine(), "async", [&](sim::Machine&) { Run(state, true); });
}
void SyncThreadsDaemon(benchmark::State& state) {
  bench::ThroughDaemon(state, SlowMachine(), "sync", [&](sim::Machine&) { Run(state, false); });
}

}  // namespace

BENCHMARK(AsyncEmbedded)->Arg(1)->Arg(16)->Arg(64)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SyncThreadsEmbedded)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AsyncDaemon)->Arg(1)->Arg(16)->Arg(64)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SyncThreadsDaemon)
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
