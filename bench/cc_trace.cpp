// The packet decoder on a command of 20 tags, and call-control trace messages per second into a
// numbered series of three files of 1024000 bytes that rotate, against spdlog's rotating file
// sink of the same size and count, flushed after every line. Both write lines of the same length.
#include "trace/cc_trace.h"

#include <benchmark/benchmark.h>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "trace/cc_file.h"
#include "trace/decoder.h"

namespace {

namespace cc = vtx::trace::cc;

// A directory of this run, removed at exit.
char g_directory[] = "/tmp/bench_cc_trace_XXXXXX";

std::string BenchDirectory() {
  static const bool made = [] {
    if (mkdtemp(g_directory) == nullptr) abort();
    atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(g_directory, ignored);
    });
    return true;
  }();
  (void)made;
  return g_directory;
}

// ADMIN SET with 20 tags: bytes, shorts, longs, Ext codes, text and a list of versions.
std::vector<uint8_t> TwentyTagCommand() {
  std::vector<uint8_t> body{0x04};
  for (uint8_t id = 0x13; id <= 0x19; ++id) body.insert(body.end(), {0x03, id, 0x00, id});
  for (uint8_t i = 0; i < 4; ++i) body.insert(body.end(), {0x06, 0x78, 0x02, i, 0, 0, 0x80});
  for (uint8_t i = 0; i < 4; ++i) body.insert(body.end(), {0x04, 0xFF, 0x01, 0x34, i});
  body.insert(body.end(), {0x04, 0x62, 0x08, 0x96, 0x01});
  body.insert(body.end(), {0x0D, 0x24, 0x10, 'b', 'e', 'n', 'c', 'h', ' ', 't', 'e', 'x', 't', 0});
  body.insert(body.end(), {0x0A, 0x1C, 0x03, 0x03, 0x1F, 0x00, 0x04, 0x03, 0x20, 0x00, 0x01});
  body.insert(body.end(), {0x0B, 0xD4, 0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8});
  body.insert(body.end(), {0x04, 0x22, 0x01, 0x10, 0x00});
  std::vector<uint8_t> command{static_cast<uint8_t>(body.size()),
                               static_cast<uint8_t>(body.size() >> 8)};
  command.insert(command.end(), body.begin(), body.end());
  return command;
}

void BM_DecodeCommand(benchmark::State& state) {
  const std::vector<uint8_t> command = TwentyTagCommand();
  std::vector<char> text(16 * 1024);
  bool truncated = false;
  vtx::trace::DecodeCommand(text.data(), text.size(), 1, command.data(), command.size(), 0,
                            &truncated);
  if (truncated) {
    fprintf(stderr, "%s\n", text.data());
    abort();
  }
  for (auto _ : state) {
    char* end = vtx::trace::DecodeCommand(text.data(), text.size(), 1, command.data(),
                                          command.size(), 0, nullptr);
    benchmark::DoNotOptimize(end);
  }
  state.SetItemsProcessed(state.iterations());
}

// "MM/DD hh:mm:ss.cc ECC " (22) + "bench line 00000000 " (20) + 57 + '\n': 100 bytes a line.
const std::string kPayload(57, 'p');

void BM_CcTraceSeries(benchmark::State& state) {
  cc::SetMaxFiles(3);
  cc::SetMaxFileSize(1);
  cc::SetCategory(cc::kInternalTrace, cc::kLevelBasic, cc::kToFile);
  if (!cc::SetTraceFile((BenchDirectory() + "/cc.log").c_str())) abort();
  int i = 0;
  for (auto _ : state) {
    cc::Trace(cc::kInternalTrace, cc::kLevelBasic, "bench line %08d %s", i++, kPayload.c_str());
  }
  state.SetItemsProcessed(state.iterations());
  cc::SetTraceFile(nullptr);
  cc::SetCategory(cc::kInternalTrace, 0, 0);
}

void BM_SpdlogRotating(benchmark::State& state) {
  auto logger = spdlog::rotating_logger_mt("bench", BenchDirectory() + "/spdlog.log", 1024000, 3);
  // "MM/DD hh:mm:ss.mmm " is one character longer than the trace's timestamp.
  logger->set_pattern("%m/%d %H:%M:%S.%e %v");
  logger->flush_on(spdlog::level::trace);
  const std::string payload = "ECC " + kPayload.substr(1);
  int i = 0;
  for (auto _ : state) logger->info("bench line {:08d} {}", i++, payload);
  state.SetItemsProcessed(state.iterations());
  spdlog::drop("bench");
}

BENCHMARK(BM_DecodeCommand);
BENCHMARK(BM_CcTraceSeries)->UseRealTime();
BENCHMARK(BM_SpdlogRotating)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
