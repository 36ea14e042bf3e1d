// Parsing a 10 MB call-control style configuration file into the whole model (lines, sections,
// items, line numbers) against inih reading the same file with a handler that does nothing.
#include <benchmark/benchmark.h>
#include <ini.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "cfg/cfg_configuration.h"

namespace {

using vtx::cfg::cfgConfiguration;

constexpr size_t kFileSize = 10u << 20;

// A deterministic file: module sections with ports, hand-written "key = value" items, some in
// the written form, comments and blank lines.
std::string Generate() {
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
  text.reserve(kFileSize + 4096);
  for (unsigned module = 2; text.size() < kFileSize; ++module) {
    text += "[module." + std::to_string(module) + "]\n";
    text += "set_api = vtx\nauto_connect = true\nchannels = 30\n\n";
    for (unsigned port = 1; port <= 8 && text.size() < kFileSize; ++port) {
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

const std::string& FileName() {
  static const std::string name = [] {
    std::string path = "/tmp/bench_cfg_parse_" + std::to_string(getpid()) + ".cfg";
    std::string text = Generate();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    return path;
  }();
  return name;
}

size_t FileSize() {
  std::FILE* file = std::fopen(FileName().c_str(), "rb");
  std::fseek(file, 0, SEEK_END);
  long size = std::ftell(file);
  std::fclose(file);
  return static_cast<size_t>(size);
}

void BM_CfgParse(benchmark::State& state) {
  size_t size = FileSize();
  int warnings = 0;
  for (auto _ : state) {
    cfgConfiguration config(1, 7, nullptr, nullptr, '=', false);
    if (config.parseFile(FileName().c_str()) != 0) state.SkipWithError("parse failed");
    warnings = config.warningCount();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
  state.counters["warnings"] = warnings;
}
BENCHMARK(BM_CfgParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int Ignore(void*, const char*, const char*, const char*) {
  return 1;
}

void BM_InihParse(benchmark::State& state) {
  size_t size = FileSize();
  for (auto _ : state) {
    if (ini_parse(FileName().c_str(), Ignore, nullptr) != 0) state.SkipWithError("parse failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_InihParse)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(FileName().c_str());
  return 0;
}
