// One SET, one GET and the wait for its GET_RSP on an attached line, inside the process and
// through the daemon. Allocations are counted by replacing the global operator new: the receive
// side (the wait for GET_RSP) is reported per round trip and must be 0.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "admin.h"
#include "bench/simulated_machine.h"
#include "common.h"
#include "sim/embedded.h"

namespace {
std::atomic<uint64_t> g_allocations{0};
}  // namespace

// The replaced operators pair malloc with free; GCC cannot see that through the inlining.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  free(p);
}
void operator delete(void* p, size_t) noexcept {
  free(p);
}

namespace {

constexpr uint32_t kVariable = 0x20;

void RoundTrips(benchmark::State& state) {
  VtxLineArgs attach{};
  attach.unit = 1;
  VtxLine* line = VtxLineAttach(&attach);
  if (line == nullptr) {
    state.SkipWithError("attach failed");
    return;
  }
  const MillTagItem set_tags[] = {{kVariable, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(0x1234)},
                                  {0, 0, 0, nullptr}};
  const MillTagItem get_tags[] = {{kVariable, 0, 0, MILL_TAG_VALUE(0)}, {0, 0, 0, nullptr}};
  uint64_t receive_allocations = 0;
  uint64_t trips = 0;
  for (auto _ : state) {
    MillArgs set{};
    set.facility = MILL_FACILITY_ADMIN;
    set.verb = MILL_VERB_SET;
    set.timeout = 1000;
    MillArgs get = set;
    get.verb = MILL_VERB_GET;
    if (MillFormSendCmd(line, &set, set_tags) != 1 || MillFormSendCmd(line, &get, get_tags) != 1) {
      state.SkipWithError("send failed");
      break;
    }
    MillArgs wait{};
    wait.facility = MILL_FACILITY_ADMIN;
    wait.verb = MILL_VERB_EVENT;
    wait.code = COMMON_GET_RSP_EVENT;
    wait.timeout = 1000;
    const uint64_t before = g_allocations.load(std::memory_order_relaxed);
    const int matched = MillWaitCmd(line, &wait);
    receive_allocations += g_allocations.load(std::memory_order_relaxed) - before;
    if (matched != 1) {
      state.SkipWithError("no GET_RSP");
      break;
    }
    ++trips;
  }
  state.counters["receive_allocs_per_trip"] =
      trips == 0 ? 0 : static_cast<double>(receive_allocations) / static_cast<double>(trips);
  VtxLineArgs detach{};
  VtxLineDetach(line, &detach);
}

void BM_RoundTripEmbedded(benchmark::State& state) {
  bench::OnEmbeddedMachine(sim::Machine::Default(), [&](sim::Machine&) { RoundTrips(state); });
}
BENCHMARK(BM_RoundTripEmbedded)->Unit(benchmark::kMicrosecond);

void BM_RoundTripThroughDaemon(benchmark::State& state) {
  bench::ThroughDaemon(state, sim::Machine::Default(), "rt",
                       [&](sim::Machine&) { RoundTrips(state); });
}
BENCHMARK(BM_RoundTripThroughDaemon)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
