// Parsing a call-control style configuration file into the whole model (lines, sections, items,
// line numbers) against inih reading the same file with a handler that does nothing: repeated in
// one process for 10 MB, and once in a fresh process for 1, 10 and 50 MB, where the time and the
// peak memory of a parse count as a first parse in an application does.
//
// BM_FreshProcess prints `speed_vs_inih` (inih's time over ours; at least 0.6) and
// `peak_over_file` (the peak resident memory the parse adds, over the file's size; at most 3 and
// the same for every size, since the model grows linearly with the file).
#include <benchmark/benchmark.h>
#include <ini.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "cfg/cfg_configuration.h"

namespace {

using vtx::cfg::cfgConfiguration;

constexpr size_t kMiB = 1u << 20;

// A deterministic file of about `size` bytes: module sections with ports, hand-written
// "key = value" items, some in the written form, comments and blank lines.
std::string Generate(size_t size) {
  static const char* const kKeys[] = {
      "port_config",    "line_coding",    "protocol",         "emulation",
      "switch_type",    "max_did_digits", "did_timeout",      "call_type",
      "numbering_plan", "presentation",   "transfer_variant", "flash_hook_duration",
      "num_rings",      "caller_id",      "protocol_file",    "default_caller_id"};
  static const char* const kValues[] = {
      "e1_isdn", "hdb3",    "euro", "cpe", "unknown", "4",    "5",         "auto",
      "isdn",    "allowed", "tbct", "50",  "2",       "true", "proto.cfg", "\"  0123456789\""};
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  std::string text = "; generated call-control configuration\n";
  text.reserve(size + 4096);
  for (unsigned module = 2; text.size() < size; ++module) {
    text += "[module." + std::to_string(module) + "]\n";
    text += "set_api = vtx\nauto_connect = true\nchannels = 30\n\n";
    for (unsigned port = 1; port <= 8 && text.size() < size; ++port) {
      text += "# port " + std::to_string(port) + "\n";
      text += "[module." + std::to_string(module) + "/port." + std::to_string(port) + "]\n";
      unsigned offset = next();
      for (unsigned k = 0; k < 16; ++k) {
        unsigned key = (k * 7 + offset) % 16;  // every key once, out of name order
        const char* form = next() % 4 == 0 ? "  %s=%s\n" : "%s = %s\n";
        char line[128];
        std::snprintf(line, sizeof line, form, kKeys[key], kValues[(key + next()) % 16]);
        text += line;
      }
      text += "\n";
    }
  }
  return text;
}

// The file of `mib` MiB, written on first use and removed at the end of the run.
std::map<size_t, std::string>& Files() {
  static std::map<size_t, std::string> files;
  return files;
}

const std::string& FileName(size_t mib) {
  std::string& path = Files()[mib];
  if (path.empty()) {
    path = "/tmp/bench_cfg_parse_" + std::to_string(getpid()) + "_" + std::to_string(mib) + ".cfg";
    std::string text = Generate(mib * kMiB);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  return path;
}

size_t FileSize(size_t mib) {
  std::FILE* file = std::fopen(FileName(mib).c_str(), "rb");
  std::fseek(file, 0, SEEK_END);
  long size = std::ftell(file);
  std::fclose(file);
  return static_cast<size_t>(size);
}

bool ParseWithModel(const char* path) {
  cfgConfiguration config(1, 7, nullptr, nullptr, '=', false);
  return config.parseFile(path) == 0;
}

int Ignore(void*, const char*, const char*, const char*) {
  return 1;
}

bool ParseWithInih(const char* path) {
  return ini_parse(path, Ignore, nullptr) == 0;
}

// One parse in a child process: its wall time in seconds and its peak resident size in bytes,
// or a negative time when the parse failed.
struct ChildRun {
  double seconds;
  double peak_bytes;
};

ChildRun InChild(bool (*parse)(const char*), const char* path) {
  const auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) _exit(parse(path) ? 0 : 1);
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return {-1, 0};
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {took.count(), static_cast<double>(usage.ru_maxrss) * 1024};
}

// Each iteration parses the file once with the model and once with inih, each in a process of
// its own; the memory the model adds is its child's peak less inih's, which starts from the
// same copy of this process and keeps next to nothing.
void BM_FreshProcess(benchmark::State& state) {
  const size_t mib = static_cast<size_t>(state.range(0));
  const std::string& path = FileName(mib);
  const double size = static_cast<double>(FileSize(mib));
  double ours = 0, theirs = 0, added = 0;
  for (auto _ : state) {
    const ChildRun model = InChild(ParseWithModel, path.c_str());
    const ChildRun inih = InChild(ParseWithInih, path.c_str());
    if (model.seconds < 0 || inih.seconds < 0) {
      state.SkipWithError("a parse failed");
      break;
    }
    ours += model.seconds;
    theirs += inih.seconds;
    added += model.peak_bytes - inih.peak_bytes;
    state.SetIterationTime(model.seconds);
  }
  const double runs = static_cast<double>(state.iterations());
  state.counters["file_MiB"] = size / kMiB;
  state.counters["inih_ms"] = theirs / runs * 1e3;
  state.counters["speed_vs_inih"] = ours > 0 ? theirs / ours : 0;
  state.counters["peak_MiB"] = added / runs / kMiB;
  state.counters["peak_over_file"] = added / runs / size;
}
BENCHMARK(BM_FreshProcess)
    ->Arg(1)
    ->Arg(10)
    ->Arg(50)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Parses of the 10 MB file repeated in this process, with the model or with inih.
template <bool (*Parse)(const char*)>
void BM_Repeated(benchmark::State& state) {
  const char* path = FileName(10).c_str();
  for (auto _ : state) {
    if (!Parse(path)) state.SkipWithError("parse failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileSize(10)));
}
BENCHMARK_TEMPLATE(BM_Repeated, ParseWithModel)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_TEMPLATE(BM_Repeated, ParseWithInih)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& [mib, path] : Files()) std::remove(path.c_str());
  return 0;
}
