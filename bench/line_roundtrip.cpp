// One SET, one GET and the wait for its GET_RSP on an attached line: inside the process, through
// the daemon against three plain round trips over a Unix stream socket, and from 1 and 4 client
// processes at once. Allocations are counted by replacing the global operator new; in this
// process the daemon's threads run beside the client, so the count holds both sides.
//
// Prints `allocs_per_trip` (0 in the steady state), `over_raw` (a trip through the daemon over
// three raw round trips; at most 1.3) and `over_one_process` (the trips per second of 4 client
// processes over those of one; at least 2).
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

#include "bench/set_get_trips.h"
#include "bench/simulated_machine.h"
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

using Clock = std::chrono::steady_clock;

constexpr int kWarmTrips = 200;  // fills the buffers that later trips reuse

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// Trips with the allocations they make counted after a warm-up.
void CountedTrips(benchmark::State& state) {
  bench::Trips trips(1);
  if (!trips.attached()) return state.SkipWithError("attach failed");
  for (int i = 0; i < kWarmTrips; ++i) trips.One();
  const uint64_t before = g_allocations.load();
  for (auto _ : state) {
    if (!trips.One()) return state.SkipWithError("no GET_RSP");
  }
  state.counters["allocs_per_trip"] =
      static_cast<double>(g_allocations.load() - before) / static_cast<double>(state.iterations());
}

void BM_RoundTripEmbedded(benchmark::State& state) {
  bench::OnEmbeddedMachine(sim::Machine::Default(), [&](sim::Machine&) { CountedTrips(state); });
}
BENCHMARK(BM_RoundTripEmbedded)->Unit(benchmark::kMicrosecond);

// A peer that answers each message with `reply` bytes at once: the floor of a request and its
// answer over a Unix stream socket.
class RawPeer {
 public:
  RawPeer() {
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_);
    echo_ = std::thread([this] {
      uint8_t buffer[4096];
      for (;;) {
        ssize_t got = read(fds_[1], buffer, sizeof buffer);
        if (got <= 0) break;
        if (send(fds_[1], buffer, kReply, MSG_NOSIGNAL) != kReply) break;
      }
    });
  }
  ~RawPeer() {
    shutdown(fds_[0], SHUT_RDWR);
    echo_.join();
    close(fds_[0]);
    close(fds_[1]);
  }
  // One request of about the size of the daemon's, and its answer.
  bool RoundTrip() {
    uint8_t buffer[kRequest] = {};
    if (send(fds_[0], buffer, kRequest, MSG_NOSIGNAL) != kRequest) return false;
    return read(fds_[0], buffer, sizeof buffer) == kReply;
  }

 private:
  static constexpr ssize_t kRequest = 96, kReply = 72;
  int fds_[2];
  std::thread echo_;
};

// Each iteration times one trip through the daemon, then three raw round trips.
void BM_RoundTripThroughDaemon(benchmark::State& state) {
  bench::ThroughDaemon(state, sim::Machine::Default(), "rt", [&](sim::Machine&) {
    bench::Trips trips(1);
    RawPeer raw;
    if (!trips.attached()) return state.SkipWithError("attach failed");
    for (int i = 0; i < kWarmTrips; ++i) trips.One() && raw.RoundTrip();
    Clock::duration through{}, floor{};
    const uint64_t before = g_allocations.load();
    uint64_t raw_allocations = 0;
    for (auto _ : state) {
      const auto start = Clock::now();
      if (!trips.One()) return state.SkipWithError("no GET_RSP");
      const auto tripped = Clock::now();
      const uint64_t counted = g_allocations.load();
      for (int i = 0; i < 3; ++i) raw.RoundTrip();
      raw_allocations += g_allocations.load() - counted;
      floor += Clock::now() - tripped;
      through += tripped - start;
      state.SetIterationTime(Seconds(tripped - start));
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["allocs_per_trip"] =
        static_cast<double>(g_allocations.load() - before - raw_allocations) / runs;
    state.counters["raw_3_us"] = Seconds(floor) / runs * 1e6;
    state.counters["over_raw"] = Seconds(through) / Seconds(floor);
  });
}
BENCHMARK(BM_RoundTripThroughDaemon)
    ->UseManualTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// Trips per second of `processes` client processes at once, each on a line of its own, for
// `trips` trips each.
double TripsPerSecond(const std::string& socket, int processes, int trips) {
  const auto start = Clock::now();
  for (int p = 0; p < processes; ++p) {
    if (fork() != 0) continue;
    os::SetDriverForTesting(os::MakeDaemonTransport(socket));
    bench::Trips client(1 + p);
    bool ok = client.attached();
    for (int i = 0; ok && i < trips; ++i) ok = client.One();
    _exit(ok ? 0 : 1);
  }
  bool ok = true;
  for (int p = 0; p < processes; ++p) {
    int status = 0;
    ok = wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
  }
  if (!ok) return 0;
  return processes * trips / Seconds(Clock::now() - start);
}

void BM_ClientProcesses(benchmark::State& state) {
  constexpr int kTrips = 3000;
  bench::ThroughDaemon(state, sim::Machine::Default(), "procs", [&](sim::Machine&) {
    const std::string socket = bench::DaemonSocket("procs");
    double one = 0, four = 0;
    for (auto _ : state) {
      const double single = TripsPerSecond(socket, 1, kTrips);
      const double several = TripsPerSecond(socket, 4, kTrips);
      if (single == 0 || several == 0) return state.SkipWithError("a client failed");
      one += single;
      four += several;
      state.SetIterationTime(4.0 * kTrips / several);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["one_per_s"] = one / runs;
    state.counters["four_per_s"] = four / runs;
    state.counters["over_one_process"] = four / one;
  });
}
BENCHMARK(BM_ClientProcesses)
    ->UseManualTime()
    ->Iterations(2)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
