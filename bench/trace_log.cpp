// Lines per second written to one trace file, by one thread and by four, with the API trace log
// and with spdlog's basic file sink. Both write the same 107 bytes per line (prefix, message,
// line end) into the same directory and flush the stream after every line.
#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "trace/api_log.h"
#include "vtx.h"

namespace {

// The trace prefix "MM/DD hh:mm:ss.cc [0,0] " has 24 characters; spdlog's with milliseconds
// has 25, so its message is one character shorter.
const std::string kPayload(62, 'p');  // 24 + "bench line 00000000 " (20) + 62 + '\n'

// A directory of this run, removed at exit.
char g_directory[] = "/tmp/bench_trace_XXXXXX";

std::string BenchDirectory() {
  static const bool made = [] {
    if (mkdtemp(g_directory) == nullptr) abort();
    atexit([] { rmdir(g_directory); });
    return true;
  }();
  (void)made;
  return g_directory;
}

void TraceToFile(const std::string& name) {
  VtxDebugControlArgs args{};
  args.debug_options = VTX_DEBUG_SET_MODE | VTX_DEBUG_SET_FILES;
  args.debug_mode = name.empty() ? 0 : VTX_TRACE_ALL;
  args.debug_fname1 = name.empty() ? nullptr : name.c_str();
  if (VtxDebugControl(&args) != 0) abort();
}

void BM_TraceLogFile(benchmark::State& state) {
  std::string name = BenchDirectory() + "/vtx_trace.log";
  if (state.thread_index() == 0) {
    unlink(name.c_str());
    TraceToFile(name);
  }
  int i = 0;
  for (auto _ : state) {
    vtx::trace::Message(nullptr, vtx::trace::kLevelInfo, "bench line %08d %s", i++,
                        kPayload.c_str());
  }
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) {
    TraceToFile("");
    unlink(name.c_str());
  }
}

void BM_SpdlogFile(benchmark::State& state) {
  static std::shared_ptr<spdlog::logger> logger;
  std::string name = BenchDirectory() + "/spdlog.log";
  if (state.thread_index() == 0) {
    unlink(name.c_str());
    logger = spdlog::basic_logger_mt("bench", name, true);
    logger->set_pattern("%m/%d %H:%M:%S.%e [0,0] %v");
    logger->flush_on(spdlog::level::trace);
  }
  const std::string payload = kPayload.substr(1);
  int i = 0;
  for (auto _ : state) logger->info("bench line {:08d} {}", i++, payload);
  state.SetItemsProcessed(state.iterations());
  if (state.thread_index() == 0) {
    spdlog::drop("bench");
    logger.reset();
    unlink(name.c_str());
  }
}

BENCHMARK(BM_TraceLogFile)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_SpdlogFile)->Threads(1)->Threads(4)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
