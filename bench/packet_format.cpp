// Forming and parsing costs of the packet format against a plain copy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "vtx.h"

namespace {

// A typical SET: ten integer and text settings of one facility.
const uint8_t kText[] = "Corvane";
const MillTagItem kSetTags[] = {
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

// 60 Ext Byte elements, a third of them needing two bytes.
std::vector<uint8_t> ExtByteData() {
  std::vector<uint8_t> data;
  for (uint32_t i = 0; i < 60; ++i) {
    uint8_t code[5];
    MillArgs args{};
    args.value_ptr = code;
    args.var_value = i % 3 == 0 ? 200 + i : i;
    MillPutVarint(&args);
    data.insert(data.end(), code, code + args.value_len);
  }
  return data;
}

std::vector<uint8_t> Form(uint32_t verb, const MillTagItem* tags) {
  std::vector<uint8_t> cmd(1024);
  MillArgs args{};
  args.cmd_buf = cmd.data();
  args.verb = verb;
  MillFormCmd(&args, tags);
  cmd.resize(args.cmd_len);
  return cmd;
}

void FormSet(benchmark::State& state) {
  uint8_t cmd[1024];
  for (auto _ : state) {
    MillArgs args{};
    args.cmd_buf = cmd;
    args.verb = MILL_VERB_SET;
    benchmark::DoNotOptimize(MillFormCmd(&args, kSetTags));
    benchmark::ClobberMemory();
  }
}

// Walks every tag and reads every integer element.
int64_t ParseAll(uint8_t* cmd, uint32_t len) {
  MillArgs args{};
  args.cmd_buf = cmd;
  args.cmd_len = len;
  MillParseCmd(&args);
  int64_t sum = 0;
  while (MillGetTag(&args) == 1) {
    if ((args.tag_type & MILL_TYPE_BASE_MASK) == MILL_TYPE_LIST ||
        ((args.tag_type >> 4) & 7) == MILL_UNIT_CHAR) {
      continue;
    }
    while (args.value_len > 0) sum += MillGetTagInt(&args);
  }
  return sum;
}

void ParseSet(benchmark::State& state) {
  std::vector<uint8_t> cmd = Form(MILL_VERB_SET, kSetTags);
  for (auto _ : state) benchmark::DoNotOptimize(ParseAll(cmd.data(), cmd.size()));
  state.counters["bytes"] = static_cast<double>(cmd.size());
}

void CopySet(benchmark::State& state) {
  std::vector<uint8_t> cmd = Form(MILL_VERB_SET, kSetTags);
  uint8_t copy[1024];
  for (auto _ : state) {
    benchmark::DoNotOptimize(cmd.data());
    memcpy(copy, cmd.data(), cmd.size());
    benchmark::ClobberMemory();
  }
}

void FormExtByteTag(benchmark::State& state) {
  const std::vector<uint8_t> data = ExtByteData();
  const MillTagItem tags[] = {
      {0x10, MILL_TYPE_BYTE | MILL_TYPE_EXT, static_cast<uint32_t>(data.size()), data.data()},
      {0, 0, 0, nullptr}};
  uint8_t cmd[256];
  for (auto _ : state) {
    MillArgs args{};
    args.cmd_buf = cmd;
    args.verb = MILL_VERB_SET;
    benchmark::DoNotOptimize(MillFormCmd(&args, tags));
    benchmark::ClobberMemory();
  }
}

void ParseExtByteTag(benchmark::State& state) {
  const std::vector<uint8_t> data = ExtByteData();
  const MillTagItem tags[] = {
      {0x10, MILL_TYPE_BYTE | MILL_TYPE_EXT, static_cast<uint32_t>(data.size()), data.data()},
      {0, 0, 0, nullptr}};
  std::vector<uint8_t> cmd = Form(MILL_VERB_SET, tags);
  for (auto _ : state) benchmark::DoNotOptimize(ParseAll(cmd.data(), cmd.size()));
  // Per element: each iteration reads 60 varints.
  state.counters["ns_per_varint"] = benchmark::Counter(
      60, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["bytes"] = static_cast<double>(cmd.size());
}

void CopyExtByteTag(benchmark::State& state) {
  const std::vector<uint8_t> data = ExtByteData();
  const MillTagItem tags[] = {
      {0x10, MILL_TYPE_BYTE | MILL_TYPE_EXT, static_cast<uint32_t>(data.size()), data.data()},
      {0, 0, 0, nullptr}};
  std::vector<uint8_t> cmd = Form(MILL_VERB_SET, tags);
  uint8_t copy[256];
  for (auto _ : state) {
    benchmark::DoNotOptimize(cmd.data());
    memcpy(copy, cmd.data(), cmd.size());
    benchmark::ClobberMemory();
  }
}

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

BENCHMARK(FormSet);
BENCHMARK(ParseSet);
BENCHMARK(CopySet);
BENCHMARK(FormExtByteTag);
BENCHMARK(ParseExtByteTag);
BENCHMARK(CopyExtByteTag);
BENCHMARK(PutVarints);

BENCHMARK_MAIN();
