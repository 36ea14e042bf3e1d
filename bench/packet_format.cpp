// Forming and parsing costs of the packet format against a plain copy of the same bytes.
// BM_ParseSetAgainstMemcpy prints `parse_over_memcpy`: the cost of walking every tag and element
// of a 10-tag SET through the public operations over a memcpy of its bytes (at most 25).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "vtx.h"

namespace {

// A typical SET: ten integer and text settings of one facility.
const MillTagItem* SetTags() {
  static const uint8_t kText[] = "Corvane";
  static const MillTagItem kTags[] = {
      {0x2E, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(1)},
      {0x2F, 0x20, 0, MILL_TAG_VALUE(1)},
      {0x30, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(3)},
      {0x31, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(10)},
      {0x33, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(2)},
      {0x41, 0x42, 0, MILL_TAG_VALUE(500)},
      {0x42, 0x51, 0, MILL_TAG_VALUE(1400)},
      {0x50, 0x75, 0, MILL_TAG_VALUE(0xFFB0)},
      {0x4C, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(0x12345678)},
      {0x25, 0x10, sizeof kText, kText},
      {0, 0, 0, nullptr},
  };
  return kTags;
}

// One tag of 60 Ext Byte elements, a third of them needing two bytes.
const MillTagItem* ExtByteTags() {
  static std::vector<uint8_t> data;
  static MillTagItem tags[2] = {};
  if (data.empty()) {
    for (uint32_t i = 0; i < 60; ++i) {
      uint8_t code[5];
      MillArgs args{};
      args.value_ptr = code;
      args.var_value = i % 3 == 0 ? 200 + i : i;
      MillPutVarint(&args);
      data.insert(data.end(), code, code + args.value_len);
    }
    tags[0] = {0x10, MILL_TYPE_BYTE | MILL_TYPE_EXT, static_cast<uint32_t>(data.size()),
               data.data()};
  }
  return tags;
}

using TagList = const MillTagItem* (*)();

std::vector<uint8_t> Form(TagList tags) {
  std::vector<uint8_t> cmd(1024);
  MillArgs args{};
  args.cmd_buf = cmd.data();
  args.verb = MILL_VERB_SET;
  MillFormCmd(&args, tags());
  cmd.resize(args.cmd_len);
  return cmd;
}

// Walks every tag and reads every integer element; returns how many elements it read.
int64_t ParseAll(uint8_t* cmd, uint32_t len, int64_t& sum) {
  MillArgs args{};
  args.cmd_buf = cmd;
  args.cmd_len = len;
  MillParseCmd(&args);
  int64_t elements = 0;
  while (MillGetTag(&args) == 1) {
    if (((args.tag_type >> 4) & 7) == MILL_UNIT_CHAR) continue;
    for (; args.value_len > 0; ++elements) sum += MillGetTagInt(&args);
  }
  return elements;
}

template <TagList Tags>
void FormCommand(benchmark::State& state) {
  uint8_t cmd[1024];
  for (auto _ : state) {
    MillArgs args{};
    args.cmd_buf = cmd;
    args.verb = MILL_VERB_SET;
    benchmark::DoNotOptimize(MillFormCmd(&args, Tags()));
    benchmark::ClobberMemory();
  }
}

template <TagList Tags>
void ParseCommand(benchmark::State& state) {
  std::vector<uint8_t> cmd = Form(Tags);
  int64_t sum = 0, elements = 0;
  for (auto _ : state) elements = ParseAll(cmd.data(), cmd.size(), sum);
  benchmark::DoNotOptimize(sum);
  state.counters["bytes"] = static_cast<double>(cmd.size());
  state.counters["ns_per_element"] = benchmark::Counter(
      static_cast<double>(elements),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <TagList Tags>
void CopyCommand(benchmark::State& state) {
  std::vector<uint8_t> cmd = Form(Tags);
  uint8_t copy[1024];
  for (auto _ : state) {
    benchmark::DoNotOptimize(cmd.data());
    memcpy(copy, cmd.data(), cmd.size());
    benchmark::ClobberMemory();
  }
}

// Batches of parses and of copies of the same command, timed alternately in each iteration so
// that both see the same machine; the fastest batch of each counts, so that a batch another
// process interrupted does not.
void BM_ParseSetAgainstMemcpy(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  constexpr int kBatch = 5000;
  std::vector<uint8_t> cmd = Form(SetTags);
  uint8_t copy[1024];
  int64_t sum = 0;
  Clock::duration parsing = Clock::duration::max(), copying = Clock::duration::max();
  for (auto _ : state) {
    const auto start = Clock::now();
    for (int i = 0; i < kBatch; ++i) ParseAll(cmd.data(), static_cast<uint32_t>(cmd.size()), sum);
    const auto parsed = Clock::now();
    for (int i = 0; i < kBatch; ++i) {
      benchmark::DoNotOptimize(cmd.data());
      memcpy(copy, cmd.data(), cmd.size());
      benchmark::ClobberMemory();
    }
    const auto copied = Clock::now();
    parsing = std::min(parsing, parsed - start);
    copying = std::min(copying, copied - parsed);
    state.SetIterationTime(std::chrono::duration<double>(parsed - start).count());
  }
  benchmark::DoNotOptimize(sum);
  state.counters["bytes"] = static_cast<double>(cmd.size());
  state.counters["parse_ns"] = std::chrono::duration<double, std::nano>(parsing).count() / kBatch;
  state.counters["memcpy_ns"] = std::chrono::duration<double, std::nano>(copying).count() / kBatch;
  state.counters["parse_over_memcpy"] =
      static_cast<double>(parsing.count()) / static_cast<double>(copying.count());
}
BENCHMARK(BM_ParseSetAgainstMemcpy)->UseManualTime()->Repetitions(3)->ReportAggregatesOnly(true);

void PutVarints(benchmark::State& state) {
  uint8_t out[5 * 64];
  for (auto _ : state) {
    MillArgs args{};
    args.value_ptr = out;
    for (uint32_t i = 0; i < 64; ++i) {
      args.var_value = i * 977;
      MillPutVarint(&args);
    }
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_varint"] = benchmark::Counter(
      64, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK_TEMPLATE(FormCommand, SetTags);
BENCHMARK_TEMPLATE(ParseCommand, SetTags);
BENCHMARK_TEMPLATE(CopyCommand, SetTags);
BENCHMARK_TEMPLATE(FormCommand, ExtByteTags);
BENCHMARK_TEMPLATE(ParseCommand, ExtByteTags);
BENCHMARK_TEMPLATE(CopyCommand, ExtByteTags);
BENCHMARK(PutVarints);

BENCHMARK_MAIN();
