#include "callctrl/hostmod/message_pools.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

namespace vtx::callctrl {
namespace {

// How each kind of item is made and linked while it is free. A free message block is linked
// through its continuation field: a pooled block never carries a chain of its own.
ACE_Message_Block* NewItem(ACE_Message_Block*) {
  auto* block = new (std::nothrow) ACE_Message_Block(sizeof(void*));
  if (block != nullptr && block->size() < sizeof(void*)) {
    block->release();
    return nullptr;
  }
  return block;
}
ACE_Message_Block* NextOf(ACE_Message_Block* block) {
  return block->cont();
}
void SetNext(ACE_Message_Block* block, ACE_Message_Block* next) {
  block->cont(next);
}
void DeleteItem(ACE_Message_Block* block) {
  block->cont(nullptr);
  block->release();
}

template <typename Item>
Item* NewItem(Item*) {
  return new (std::nothrow) Item();
}
template <typename Item>
Item* NextOf(Item* item) {
  return item->next;
}
template <typename Item>
void SetNext(Item* item, Item* next) {
  item->next = next;
}
template <typename Item>
void DeleteItem(Item* item) {
  delete item;
}

void ClearPacket(PacketMessage* message) {
  memset(&message->args, 0, sizeof message->args);
  memset(message->packet, 0, sizeof message->packet);
  message->args.pkt_buf = message->packet;
  message->next = nullptr;
}

std::mutex g_factory_lock;  // "HostMessageFactoryLock"
HostMessagePools* g_pools = nullptr;

}  // namespace

template <typename Item>
FreeList<Item>::~FreeList() {
  while (head_ != nullptr) {
    Item* item = head_;
    head_ = NextOf(item);
    DeleteItem(item);
  }
}

template <typename Item>
Item* FreeList<Item>::Take() {
  {
    std::lock_guard<ListLock> hold(lock_);
    if (head_ != nullptr) {
      Item* item = head_;
      head_ = NextOf(item);
      SetNext(item, static_cast<Item*>(nullptr));
      --count_.free;
      return item;
    }
  }
  Item* item = NewItem(static_cast<Item*>(nullptr));
  if (item == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  std::lock_guard<ListLock> hold(lock_);
  ++count_.allocated;
  return item;
}

template <typename Item>
void FreeList<Item>::Give(Item* item) {
  if (item == nullptr) return;
  std::lock_guard<ListLock> hold(lock_);
  SetNext(item, head_);
  head_ = item;
  ++count_.free;
}

template <typename Item>
PoolCount FreeList<Item>::Count() {
  std::lock_guard<ListLock> hold(lock_);
  return count_;
}

template class FreeList<ACE_Message_Block>;
template class FreeList<PacketMessage>;
template class FreeList<TimerMessage>;

HostMessagePools* HostMessagePools::Get() {
  HostMessagePools* pools = __atomic_load_n(&g_pools, __ATOMIC_ACQUIRE);
  if (pools != nullptr) return pools;
  std::lock_guard<std::mutex> hold(g_factory_lock);
  if (g_pools == nullptr) {
    pools = new (std::nothrow) HostMessagePools();
    if (pools == nullptr) {
      errno = ENOMEM;
      return nullptr;
    }
    __atomic_store_n(&g_pools, pools, __ATOMIC_RELEASE);
  }
  return g_pools;
}

ACE_Message_Block* HostMessagePools::TakeBlock() {
  return blocks_.Take();
}

void HostMessagePools::ReturnBlock(ACE_Message_Block* block) {
  if (block == nullptr) return;
  block->reset();
  block->msg_type(ACE_Message_Block::MB_DATA);
  blocks_.Give(block);
}

PacketMessage* HostMessagePools::TakePacket() {
  PacketMessage* message = packets_.Take();
  if (message != nullptr && message->args.pkt_buf == nullptr) ClearPacket(message);
  return message;
}

void HostMessagePools::ReturnPacket(PacketMessage* message) {
  if (message == nullptr) return;
  ClearPacket(message);
  packets_.Give(message);
}

TimerMessage* HostMessagePools::TakeTimer() {
  return timers_.Take();
}

void HostMessagePools::ReturnTimer(TimerMessage* message) {
  if (message == nullptr) return;
  *message = TimerMessage{};
  timers_.Give(message);
}

PoolCounts HostMessagePools::Counts() {
  return PoolCounts{blocks_.Count(), packets_.Count(), timers_.Count()};
}

void* BlockItem(const ACE_Message_Block* block) {
  void* item = nullptr;
  memcpy(&item, block->base(), sizeof item);
  return item;
}

void SetBlockItem(ACE_Message_Block* block, void* item) {
  block->reset();
  memcpy(block->wr_ptr(), &item, sizeof item);
  block->wr_ptr(sizeof item);
}

}  // namespace vtx::callctrl
