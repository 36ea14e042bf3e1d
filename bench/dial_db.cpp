// The dialling database under load: updates per second through one file from 1 and from 8
// processes at once (each run forks its processes, so both carry the same start-up cost), and the
// latency of a check that scans to the last of 1 or 10,000 records.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "api/line.h"
#include "lineconfig/country_params.h"
#include "vtx.h"

namespace {

constexpr int kUpdatesPerProcess = 250;

struct Bench {
  Bench() {
    CV_API_SET_VER();
    char pattern[] = "/tmp/bench_dialdb_XXXXXX";
    dir = mkdtemp(pattern) != nullptr ? pattern : "/tmp";
    line.config.settings = vtx::kDefaultLineSettings;
    vtx::SetDefaultCountryParams(&line);
  }
  VtxDialArgs Args(const std::string& file, const std::string& number) const {
    VtxDialArgs args{};
    snprintf(args.texts.db_file, sizeof args.texts.db_file, "%s", file.c_str());
    snprintf(args.texts.raw_number, sizeof args.texts.raw_number, "%s", number.c_str());
    return args;
  }
  std::string dir;
  VtxLine line;
};

Bench& Shared() {
  static Bench* bench = new Bench;
  return *bench;
}

// Each process reports busy calls to sixteen numbers in turn.
bool UpdateMany(const std::string& file) {
  Bench& b = Shared();
  static const VtxResult kBusy{CV_STATUS_OK, 301};
  for (int i = 0; i < kUpdatesPerProcess; ++i) {
    VtxDialArgs args = b.Args(file, "555" + std::to_string(i % 16));
    args.db_res = &kBusy;
    if (VtxDialDBUpdate(&b.line, &args) != 0) return false;
  }
  return true;
}

void BM_UpdateProcesses(benchmark::State& state) {
  const int processes = static_cast<int>(state.range(0));
  const std::string file = Shared().dir + "/update_" + std::to_string(processes) + ".db";
  for (auto _ : state) {
    pid_t children[8];
    for (int p = 0; p < processes; ++p) {
      children[p] = fork();
      if (children[p] == 0) _exit(UpdateMany(file) ? 0 : 1);
    }
    for (int p = 0; p < processes; ++p) {
      int status = 0;
      if (children[p] < 0 || waitpid(children[p], &status, 0) != children[p] ||
          !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        state.SkipWithError("an updating process failed");
      }
    }
  }
  unlink(file.c_str());
  state.SetItemsProcessed(state.iterations() * processes * kUpdatesPerProcess);
}
BENCHMARK(BM_UpdateProcesses)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// A file of `count` records whose last one is the number checked.
std::string FileOfRecords(int count) {
  const std::string file = Shared().dir + "/check_" + std::to_string(count) + ".db";
  FILE* out = fopen(file.c_str(), "wb");
  for (int i = 0; out != nullptr && i < count; ++i) {
    VtxDialDBRecord record{};
    snprintf(record.key, sizeof record.key, "%d", i == count - 1 ? 5550100 : 1000000 + i);
    record.next_time = 1;
    record.total = 1;
    fwrite(&record, sizeof record, 1, out);
  }
  if (out != nullptr) fclose(out);
  return file;
}

void BM_CheckLastRecord(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string file = FileOfRecords(count);
  Bench& b = Shared();
  for (auto _ : state) {
    VtxDialArgs args = b.Args(file, "5550100");
    if (VtxDialDBCheck(&b.line, &args) != 0) state.SkipWithError("check failed");
  }
  unlink(file.c_str());
  state.counters["records"] = count;
}
BENCHMARK(BM_CheckLastRecord)->Arg(1)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
BENCHMARK_MAIN();
