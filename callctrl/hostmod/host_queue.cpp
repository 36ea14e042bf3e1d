#include "callctrl/hostmod/host_queue.h"

#include <ace/OS_NS_sys_time.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "api/address_mode.h"
#include "hostctrl.h"
#include "packet/send_receive.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kHostModuleTrace;
using trace::cc::kLevelError;

constexpr auto kOpenStep = std::chrono::milliseconds(50);
constexpr uint32_t kMessageKindMask = 0xF;
constexpr uint32_t kKindPacket = 1;
constexpr uint32_t kKindTimer = 2;
constexpr uint32_t kKindStop = 3;
constexpr uint32_t kKindLibraryEvent = 4;

// A library event as posted: its place, kind and length, then the data.
struct LibraryEventBlock {
  uint32_t module;
  uint32_t channel;
  uint32_t kind;
  uint32_t length;
  uint8_t* data() { return reinterpret_cast<uint8_t*>(this + 1); }
};

uint32_t HandlerIndex(uint32_t module, uint32_t channel) {
  return module * kHandlerChannels + channel;
}

bool InTable(uint32_t module, uint32_t channel) {
  return module < kHandlerModules && channel < kHandlerChannels;
}

}  // namespace

HostQueue::HostQueue(std::atomic<uint32_t>* state)
    : pools_(HostMessagePools::Get()), state_(state) {
  msg_queue()->high_water_mark(kHostQueueWaterMark);
  msg_queue()->low_water_mark(kHostQueueWaterMark);
}

// The handlers belong to whoever registered them and may be gone already: only the stop
// touches them.
HostQueue::~HostQueue() {
  Stop();
}

bool HostQueue::Open() {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (active_ || pools_ == nullptr) return false;
  accepting_ = true;
  if (activate(THR_NEW_LWP | THR_JOINABLE, 1) != 0) {
    accepting_ = false;
    return false;
  }
  while (!active_) std::this_thread::sleep_for(kOpenStep);
  std::this_thread::sleep_for(kOpenStep);
  return true;
}

bool HostQueue::Stop() {
  if (!active_) return false;
  accepting_ = false;
  while (posting_.load(std::memory_order_acquire) != 0) std::this_thread::yield();
  ACE_Message_Block* stop = pools_->TakeBlock();
  bool posted = false;
  if (stop != nullptr) {
    stop->msg_type(kStopMessageType);
    SetBlockItem(stop, nullptr);
    posted = putq(stop) != -1;
    if (!posted) pools_->ReturnBlock(stop);
  }
  if (!posted) msg_queue()->deactivate();  // the thread ends at its next dequeue
  wait();
  active_ = false;
  // Nothing is accepted once the stop is on its way; what a failed stop left is given back.
  if (!posted) msg_queue()->activate();
  ACE_Message_Block* left = nullptr;
  ACE_Time_Value now = ACE_OS::gettimeofday();
  while (getq(left, &now) != -1) Discard(left);
  // Packets that disabled handlers held back go back to their pool.
  std::lock_guard<std::recursive_mutex> hold(lock_);
  for (HostHandler* handler : handlers_) {
    if (handler != nullptr) ReleaseFifo(*handler);
  }
  return posted;
}

bool HostQueue::BeginPost() {
  posting_.fetch_add(1, std::memory_order_acq_rel);
  if (accepting_.load(std::memory_order_acquire)) return true;
  EndPost();
  return false;
}

bool HostQueue::Enqueue(ACE_Message_Block* block, bool wait) {
  if (wait) return putq(block) != -1;
  ACE_Time_Value now = ACE_OS::gettimeofday();
  return putq(block, &now) != -1;
}

bool HostQueue::PostPacket(const MillArgs& received, const uint8_t* packet, uint32_t length) {
  if (length > kPacketMessageBuffer || packet == nullptr || !BeginPost()) return false;
  PacketMessage* message = pools_->TakePacket();
  ACE_Message_Block* block = message != nullptr ? pools_->TakeBlock() : nullptr;
  bool posted = false;
  if (block != nullptr) {
    message->args = received;
    message->args.pkt_buf = message->packet;
    message->args.pkt_len = length;
    memcpy(message->packet, packet, length);
    block->msg_type(kPacketMessageType);
    SetBlockItem(block, message);
    posted = Enqueue(block, true);
  }
  if (!posted) {
    pools_->ReturnPacket(message);
    pools_->ReturnBlock(block);
  }
  EndPost();
  return posted;
}

bool HostQueue::PostLibraryEvent(uint32_t module, uint32_t channel, uint32_t kind, const void* data,
                                 uint32_t length) {
  if (!BeginPost()) return false;
  auto* event = static_cast<LibraryEventBlock*>(malloc(sizeof(LibraryEventBlock) + length));
  ACE_Message_Block* block = event != nullptr ? pools_->TakeBlock() : nullptr;
  bool posted = false;
  if (block != nullptr) {
    *event = LibraryEventBlock{module, channel, kind, length};
    if (length > 0) memcpy(event->data(), data, length);
    block->msg_type(kLibraryEventType);
    SetBlockItem(block, event);
    posted = Enqueue(block, true);
  }
  if (!posted) {
    free(event);
    pools_->ReturnBlock(block);
  }
  EndPost();
  return posted;
}

// The timer thread must never wait for room: a full queue refuses the timer.
bool HostQueue::PostTimer(uint32_t module, uint32_t channel, uint32_t value1, uint32_t value2) {
  if (!BeginPost()) return false;
  TimerMessage* message = pools_->TakeTimer();
  ACE_Message_Block* block = message != nullptr ? pools_->TakeBlock() : nullptr;
  bool posted = false;
  if (block != nullptr) {
    *message = TimerMessage{module, channel, value1, value2, nullptr};
    block->msg_type(kTimerMessageType);
    SetBlockItem(block, message);
    posted = Enqueue(block, false);
  }
  if (!posted) {
    pools_->ReturnTimer(message);
    pools_->ReturnBlock(block);
  }
  EndPost();
  return posted;
}

bool HostQueue::SetHandler(uint32_t module, uint32_t channel, HostHandler* handler) {
  if (!InTable(module, channel)) return false;
  std::lock_guard<std::recursive_mutex> hold(lock_);
  HostHandler*& place = handlers_[HandlerIndex(module, channel)];
  if (place != nullptr && place != handler) {
    ReleaseFifo(*place);
    place->Release();
  }
  place = handler;
  return true;
}

HostHandler* HostQueue::HandlerAt(uint32_t module, uint32_t channel) {
  if (!InTable(module, channel)) return nullptr;
  std::lock_guard<std::recursive_mutex> hold(lock_);
  return handlers_[HandlerIndex(module, channel)];
}

void HostQueue::Enable(HostHandler& handler, bool enabled) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  handler.enabled_ = enabled;
  if (enabled) Drain(handler);
}

size_t HostQueue::Depth() {
  return msg_queue()->message_count();
}

int HostQueue::svc() {
  active_ = true;
  for (;;) {
    ACE_Message_Block* block = nullptr;
    if (getq(block) == -1) break;
    if (!Process(block)) break;
  }
  return 0;
}

bool HostQueue::Process(ACE_Message_Block* block) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  void* item = BlockItem(block);
  bool go_on = true;
  switch (static_cast<uint32_t>(block->msg_type()) & kMessageKindMask) {
    case kKindPacket:
      ProcessPacket(static_cast<PacketMessage*>(item));
      break;
    case kKindTimer: {
      auto* timer = static_cast<TimerMessage*>(item);
      HostHandler* handler = HandlerAt(timer->module, timer->channel);
      if (handler != nullptr) handler->OnTimer(timer->value1, timer->value2);
      pools_->ReturnTimer(timer);
      break;
    }
    case kKindStop:
      if (state_ != nullptr) state_->store(0);
      go_on = false;
      break;
    case kKindLibraryEvent: {
      auto* event = static_cast<LibraryEventBlock*>(item);
      HostHandler* handler = HandlerAt(event->module, event->channel);
      if (handler != nullptr) handler->OnLibraryEvent(event->kind, event->data(), event->length);
      free(event);
      break;
    }
    default:
      break;
  }
  pools_->ReturnBlock(block);
  return go_on;
}

// The handler of the packet's destination: module from byte 0 (the host controller's facility
// counted as module 19), channel from byte 1.
void HostQueue::ProcessPacket(PacketMessage* message) {
  MillArgs work = message->args;
  work.pkt_buf = message->packet;
  work.cmd_buf = nullptr;
  if (MillGetCmd(&work) != 1 || MillParseCmd(&work) < 0) {
    pools_->ReturnPacket(message);
    return;
  }
  const uint8_t mask = AddressByteMask();
  uint32_t module = work.dest_addr[0] & mask;
  if (module == MILL_FACILITY_HOST_CTRL) module = kHostControlModule;
  HostHandler* handler = HandlerAt(module, work.dest_addr[1] & mask);
  if (handler == nullptr) {
    pools_->ReturnPacket(message);
    return;
  }
  message->args = work;
  message->next = nullptr;
  const bool was_empty = handler->fifo_head_ == nullptr;
  if (was_empty) {
    handler->fifo_head_ = message;
  } else {
    handler->fifo_tail_->next = message;
  }
  handler->fifo_tail_ = message;
  if (was_empty) Drain(*handler);
}

void HostQueue::Drain(HostHandler& handler) {
  while (handler.fifo_head_ != nullptr && handler.enabled_) {
    PacketMessage* message = handler.fifo_head_;
    bool handled = true;
    try {
      Dispatch(handler, *message);
    } catch (...) {
      trace::cc::Trace(kHostModuleTrace, kLevelError, "ProcessRawMessage:exception error");
      handled = false;
    }
    handler.fifo_head_ = message->next;
    if (handler.fifo_head_ == nullptr) handler.fifo_tail_ = nullptr;
    if (handled) pools_->ReturnPacket(message);
  }
}

void HostQueue::Dispatch(HostHandler& handler, PacketMessage& message) {
  MillArgs& args = message.args;
  const uint32_t code = args.code;
  if ((args.src_addr[0] & AddressByteMask()) == MILL_FACILITY_HOST_CTRL) {
    VtxLine* line = handler.Line();
    if (line != nullptr) {
      MillArgs work = args;
      work.no_hangup = 1;
      packet::ProcessCmd(line, &work);
    }
    handler.OnHostControl(code, message);
    return;
  }
  switch (args.verb) {
    case MILL_VERB_START:
      handler.OnStart(code, message);
      break;
    case MILL_VERB_FINISH:
      handler.OnFinish(code, message);
      break;
    case MILL_VERB_DATA:
      handler.OnData(message);
      break;
    case MILL_VERB_SET:
      handler.OnSet(message);
      break;
    case MILL_VERB_GET:
      handler.OnGet(message);
      break;
    case MILL_VERB_LET:
      handler.OnLet(message);
      break;
    case MILL_VERB_RESTORE:
      handler.OnRestore(message);
      break;
    case MILL_VERB_REQUEST:
      handler.OnRequest(code, message);
      break;
    case MILL_VERB_INDIRECT:
      handler.OnIndirect(code, message);
      break;
    case MILL_VERB_EVENT:
      handler.OnEvent(code, message);
      break;
    default:
      break;
  }
}

void HostQueue::ReleaseFifo(HostHandler& handler) {
  while (handler.fifo_head_ != nullptr) {
    PacketMessage* message = handler.fifo_head_;
    handler.fifo_head_ = message->next;
    pools_->ReturnPacket(message);
  }
  handler.fifo_tail_ = nullptr;
}

void HostQueue::Discard(ACE_Message_Block* block) {
  void* item = BlockItem(block);
  switch (static_cast<uint32_t>(block->msg_type()) & kMessageKindMask) {
    case kKindPacket:
      pools_->ReturnPacket(static_cast<PacketMessage*>(item));
      break;
    case kKindTimer:
      pools_->ReturnTimer(static_cast<TimerMessage*>(item));
      break;
    case kKindLibraryEvent:
      free(item);
      break;
    default:
      break;
  }
  pools_->ReturnBlock(block);
}

}  // namespace vtx::callctrl
