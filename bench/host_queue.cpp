// Messages per second through one host module queue, from 1 and from 4 posting threads: packet
// messages of 200 bytes, each dispatched to a handler that counts it, and the heap allocations
// per message once the pools are warm. The baseline is a plain ACE message queue of
// heap-allocated blocks with one consuming thread, measured the same way in the same run.
#include "callctrl/hostmod/host_queue.h"

#include <ace/Message_Block.h>
#include <ace/Message_Queue.h>
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "tests/support/one_command_packet.h"

namespace {

std::atomic<uint64_t> g_allocations{0};

constexpr int kBatch = 100000;        // messages of one measured round, over all posters
constexpr size_t kPacketBytes = 200;  // each posted packet

// A 200-byte packet of one EVENT command to module 3, channel 7.
std::vector<uint8_t> Packet() {
  const uint8_t dest[4] = {3, 7, 0x81, 2};
  constexpr size_t kOverhead = MILL_HEADER_LEN + 8;  // header, command and tag fields
  return vtx::testing::OneCommandPacket(dest, 0x13, 0x13, MILL_VERB_EVENT, 8,
                                        kPacketBytes - kOverhead);
}

class Counter : public vtx::callctrl::HostHandler {
 public:
  void OnEvent(uint32_t, vtx::callctrl::PacketMessage&) override {
    count.fetch_add(1, std::memory_order_release);
  }
  std::atomic<uint64_t> count{0};
};

void AwaitCount(const std::atomic<uint64_t>& count, uint64_t target) {
  while (count.load(std::memory_order_acquire) < target) std::this_thread::yield();
}

// Runs `post` kBatch times spread over `posters` threads, then waits for `count` to reach
// `target`: the seconds taken.
template <typename Post>
double Round(int posters, Post post, const std::atomic<uint64_t>& count, uint64_t target) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < posters; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kBatch / posters; ++i) post();
    });
  }
  for (auto& thread : threads) thread.join();
  AwaitCount(count, target);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(benchmark::State& state, uint64_t messages, uint64_t allocations) {
  state.counters["msgs_per_s"] =
      benchmark::Counter(static_cast<double>(messages), benchmark::Counter::kIsRate);
  state.counters["allocs_per_msg"] =
      static_cast<double>(allocations) / static_cast<double>(messages ? messages : 1);
}

void HostModuleQueue(benchmark::State& state) {
  const int posters = static_cast<int>(state.range(0));
  CV_API_SET_VER();  // as the application that runs the framework does
  const std::vector<uint8_t> packet = Packet();
  const MillArgs received{};
  if (packet.size() != kPacketBytes) {
    state.SkipWithError("the packet is not 200 bytes long");
    return;
  }
  vtx::callctrl::HostQueue queue;
  Counter handler;
  queue.SetHandler(3, 7, &handler);
  if (!queue.Open()) {
    state.SkipWithError("the queue did not open");
    return;
  }
  auto post = [&] {
    while (!queue.PostPacket(received, packet.data(), static_cast<uint32_t>(packet.size()))) {
    }
  };
  uint64_t target = kBatch;
  Round(posters, post, handler.count, target);  // warms the pools
  uint64_t messages = 0, allocations = 0;
  for (auto _ : state) {
    target += kBatch;
    const uint64_t before = g_allocations.load();
    const double seconds = Round(posters, post, handler.count, target);
    allocations += g_allocations.load() - before;
    messages += kBatch;
    state.SetIterationTime(seconds);
  }
  queue.Stop();
  queue.SetHandler(3, 7, nullptr);
  // Thread starts allocate too: the rounds' own threads are counted against the messages.
  Report(state, messages, allocations);
}

void PlainAceQueue(benchmark::State& state) {
  const int posters = static_cast<int>(state.range(0));
  const std::vector<uint8_t> packet = Packet();
  // The same water marks as the host module queue.
  ACE_Message_Queue<ACE_MT_SYNCH> queue(vtx::callctrl::kHostQueueWaterMark,
                                        vtx::callctrl::kHostQueueWaterMark);
  std::atomic<uint64_t> count{0};
  std::thread consumer([&] {
    for (;;) {
      ACE_Message_Block* block = nullptr;
      if (queue.dequeue_head(block) == -1) return;
      const bool stop = block->msg_type() == ACE_Message_Block::MB_STOP;
      block->release();
      if (stop) return;
      count.fetch_add(1, std::memory_order_release);
    }
  });
  auto post = [&] {
    auto* block = new ACE_Message_Block(packet.size());
    block->copy(reinterpret_cast<const char*>(packet.data()), packet.size());
    queue.enqueue_tail(block);
  };
  uint64_t target = kBatch;
  Round(posters, post, count, target);
  uint64_t messages = 0, allocations = 0;
  for (auto _ : state) {
    target += kBatch;
    const uint64_t before = g_allocations.load();
    const double seconds = Round(posters, post, count, target);
    allocations += g_allocations.load() - before;
    messages += kBatch;
    state.SetIterationTime(seconds);
  }
  queue.enqueue_tail(new ACE_Message_Block(0, ACE_Message_Block::MB_STOP));
  consumer.join();
  Report(state, messages, allocations);
}

BENCHMARK(HostModuleQueue)->Arg(1)->Arg(4)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PlainAceQueue)->Arg(1)->Arg(4)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

// Every allocation of the process is counted. The replacements pair malloc with free, which the
// compiler cannot see through the operators.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* memory = malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return malloc(size ? size : 1);
}
void operator delete(void* memory) noexcept {
  free(memory);
}
void operator delete[](void* memory) noexcept {
  free(memory);
}
void operator delete(void* memory, size_t) noexcept {
  free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
  free(memory);
}

BENCHMARK_MAIN();
