// The process's pools of host module messages: queue message blocks, packet messages (a copy of
// the receiving MillArgs and a 1200-byte packet buffer) and timer messages. Items are taken from
// a free list and given back after use, so that a steady flow of packets allocates nothing; a
// list grows only when more items are in use than ever before. Each list has its own lock.
#pragma once

#include <ace/Message_Block.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "vtx.h"

namespace vtx::callctrl {

constexpr uint32_t kPacketMessageBuffer = 1200;

struct PacketMessage {
  MillArgs args;  // the receiving MillArgs; pkt_buf points at `packet`, pkt_len its length
  uint8_t packet[kPacketMessageBuffer];
  PacketMessage* next;  // free list, or a handler's FIFO
};

struct TimerMessage {
  uint32_t module;
  uint32_t channel;
  uint32_t value1;  // the two values of the expired timer, in the order the timer posted them
  uint32_t value2;
  TimerMessage* next;
};

// What one list holds: items ever allocated and items free now.
struct PoolCount {
  uint32_t allocated = 0;
  uint32_t free = 0;
};

struct PoolCounts {
  PoolCount blocks;
  PoolCount packets;
  PoolCount timers;
};

// The lock of one free list: it is held for a pointer swap only, so a waiter spins (yielding)
// instead of sleeping in the kernel, which would cost more than the work it waits for.
class ListLock {
 public:
  void lock() {
    while (held_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  }
  void unlock() { held_.clear(std::memory_order_release); }

 private:
  std::atomic_flag held_ = ATOMIC_FLAG_INIT;
};

template <typename Item>
class FreeList {
 public:
  FreeList() = default;
  FreeList(const FreeList&) = delete;
  FreeList& operator=(const FreeList&) = delete;
  ~FreeList();

  // The head of the list, or a new item (null with errno ENOMEM when memory runs out).
  Item* Take();
  void Give(Item* item);
  PoolCount Count();

 private:
  ListLock lock_;
  Item* head_ = nullptr;
  PoolCount count_;
};

class HostMessagePools {
 public:
  // Created under "HostMessageFactoryLock" on the first call; null when that fails.
  static HostMessagePools* Get();

  // A message block carrying one item pointer.
  ACE_Message_Block* TakeBlock();
  void ReturnBlock(ACE_Message_Block* block);
  // A cleared packet message whose args.pkt_buf points at its buffer.
  PacketMessage* TakePacket();
  void ReturnPacket(PacketMessage* message);
  TimerMessage* TakeTimer();
  void ReturnTimer(TimerMessage* message);

  PoolCounts Counts();

 private:
  HostMessagePools() = default;

  FreeList<ACE_Message_Block> blocks_;  // "MbMessageContainer"
  FreeList<PacketMessage> packets_;     // "PacketMessageContainer"
  FreeList<TimerMessage> timers_;       // "TimerMessageContainer"
};

// The item a pooled block carries, and setting it.
void* BlockItem(const ACE_Message_Block* block);
void SetBlockItem(ACE_Message_Block* block, void* item);

}  // namespace vtx::callctrl
