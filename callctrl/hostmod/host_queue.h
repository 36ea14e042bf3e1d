// A host module's queue: the driver event threads, the library-event thread and the timer
// service post to it, and its one thread takes the messages in order and hands each to the
// handler registered for the message's module and channel. Posting threads never process.
#pragma once

#include <ace/Task.h>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "callctrl/hostmod/host_handler.h"
#include "callctrl/hostmod/message_pools.h"
#include "callctrl/timer/timer_service.h"

namespace vtx::callctrl {

// The handler table: modules below 20 (the host controller's facility, 11, counts as 19) by
// channels below 255.
constexpr uint32_t kHandlerModules = 20;
constexpr uint32_t kHandlerChannels = 255;
constexpr uint32_t kHostControlModule = 19;
constexpr size_t kHostQueueWaterMark = 16384;  // bytes

// User message types of the posted blocks; the low four bits are the message kind.
enum HostMessageType : int {
  kPacketMessageType = 0x201,
  kTimerMessageType = 0x202,
  kStopMessageType = 0x203,
  kLibraryEventType = 0x204,
};

// Kinds of library messages.
constexpr uint32_t kLibraryEventKind = 1;
constexpr uint32_t kLibraryErrorKind = 2;

class HostQueue : public ACE_Task<ACE_MT_SYNCH>, public TimerTarget {
 public:
  // `state` (may be null) is the host module's state word, which the stop message sets to 0.
  explicit HostQueue(std::atomic<uint32_t>* state = nullptr);
  ~HostQueue() override;  // stops the queue; the handlers are left alone

  // Starts the queue thread and returns once it runs; an open of an active queue does nothing
  // and returns false.
  bool Open();
  // Processes everything accepted before it, then ends the queue thread and gives the packets
  // that disabled handlers held back to their pool: whether the stop was posted (false when the
  // queue was not active). Never from the queue thread itself.
  bool Stop();
  bool active() const { return active_; }

  // Each false when the queue is not active or refuses the message. A packet longer than 1200
  // bytes is refused.
  bool PostPacket(const MillArgs& received, const uint8_t* packet, uint32_t length);
  bool PostLibraryEvent(uint32_t module, uint32_t channel, uint32_t kind, const void* data,
                        uint32_t length);
  bool PostTimer(uint32_t module, uint32_t channel, uint32_t value1, uint32_t value2) override;

  // Puts `handler` (null: none) in the table for a module and channel; the one it replaces is
  // released and its waiting packets go back to their pool. False for a place outside the table.
  bool SetHandler(uint32_t module, uint32_t channel, HostHandler* handler);
  HostHandler* HandlerAt(uint32_t module, uint32_t channel);
  // Enables or disables a handler; enabling processes what waits in its FIFO. On the queue
  // thread (from a handler's operation) or while the queue is not active.
  void Enable(HostHandler& handler, bool enabled);

  // Messages waiting in the queue.
  size_t Depth();

  int svc() override;

 private:
  // Whether a post may go ahead; EndPost when it is done.
  bool BeginPost();
  void EndPost() { posting_.fetch_sub(1, std::memory_order_release); }
  bool Enqueue(ACE_Message_Block* block, bool wait);
  // False when the queue thread is to end.
  bool Process(ACE_Message_Block* block);
  void ProcessPacket(PacketMessage* message);
  void Dispatch(HostHandler& handler, PacketMessage& message);
  void Drain(HostHandler& handler);
  void ReleaseFifo(HostHandler& handler);
  void Discard(ACE_Message_Block* block);

  HostMessagePools* pools_;
  std::atomic<uint32_t>* state_;
  std::recursive_mutex lock_;  // the queue's lock: open, stop, processing, the handler table
  std::atomic<bool> active_{false};
  std::atomic<bool> accepting_{false};
  std::atomic<int> posting_{0};
  HostHandler* handlers_[kHandlerModules * kHandlerChannels] = {};
};

}  // namespace vtx::callctrl
