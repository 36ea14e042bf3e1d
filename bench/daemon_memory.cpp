// The memory of a simulator daemon left running: a real tarrow-simd process (the one built beside
// this program) serves 1,000,000 SET+GET round trips of one client, its command log never
// cleared, and its resident size is read after 10,000 trips and at the end.
//
// Prints `rss_10k_MiB`, `rss_1m_MiB` and `growth_MiB` (at most 5) with `rss_1m_over_10k`.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <string>

#include "bench/set_get_trips.h"
#include "os/driver.h"

namespace {

constexpr int kFirst = 10000;
constexpr int kAll = 1000000;

std::string BesideThisProgram(const char* name) {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return name;
  std::string path(self, static_cast<size_t>(length));
  return path.substr(0, path.rfind('/') + 1) + name;
}

// The resident size of a process in bytes, 0 when it cannot be read.
double ResidentBytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      double kib = 0;
      status >> kib;
      return kib * 1024;
    }
  }
  return 0;
}

// A tarrow-simd process serving `socket`, stopped by its PID when the object goes.
class DaemonProcess {
 public:
  explicit DaemonProcess(const std::string& socket) {
    const std::string program = BesideThisProgram("tarrow-simd");
    pid_ = fork();
    if (pid_ == 0) {
      execl(program.c_str(), program.c_str(), "--socket", socket.c_str(), nullptr);
      _exit(127);
    }
    // Ready once it answers an open (bounded: five seconds).
    os::SetDriverForTesting(os::MakeDaemonTransport(socket));
    for (int i = 0; i < 500 && !ready_; ++i) {
      int handle = os::DeviceOpen(VTX_DRIVER_DEVICE);
      ready_ = handle >= 0;
      if (ready_) os::DeviceClose(handle);
      if (!ready_) usleep(10000);
    }
  }
  ~DaemonProcess() {
    os::SetDriverForTesting(nullptr);
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool ready() const { return ready_; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

void BM_DaemonMemory(benchmark::State& state) {
  const std::string socket = "/tmp/tarrow-bench-memory-" + std::to_string(getpid()) + ".sock";
  for (auto _ : state) {
    DaemonProcess daemon(socket);
    if (!daemon.ready()) return state.SkipWithError("tarrow-simd did not start");
    bench::Trips trips(1);
    if (!trips.attached()) return state.SkipWithError("attach failed");
    int done = 0;
    for (; done < kFirst && trips.One(); ++done) {
    }
    const double first = ResidentBytes(daemon.pid());
    for (; done < kAll && trips.One(); ++done) {
    }
    const double last = ResidentBytes(daemon.pid());
    if (done != kAll || first == 0 || last == 0) return state.SkipWithError("trips failed");
    state.counters["rss_10k_MiB"] = first / (1 << 20);
    state.counters["rss_1m_MiB"] = last / (1 << 20);
    state.counters["growth_MiB"] = (last - first) / (1 << 20);
    state.counters["rss_1m_over_10k"] = last / first;
  }
}
BENCHMARK(BM_DaemonMemory)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
