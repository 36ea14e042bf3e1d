// A handler of a host module's work: what its queue thread hands the packets, timers and library
// events of one module and channel. The IP call-control objects are handlers; so is the host
// module's own handler of its library's events. Every operation runs on the host module's queue
// thread, one at a time, so a handler needs no lock for what arrives through the queue.
#pragma once

#include <cstdint>

#include "callctrl/hostmod/message_pools.h"
#include "vtx.h"

namespace vtx::callctrl {

class HostQueue;

class HostHandler {
 public:
  virtual ~HostHandler() = default;
  HostHandler(const HostHandler&) = delete;
  HostHandler& operator=(const HostHandler&) = delete;

  // The handler leaves its queue's table (the host module stops, or another takes its place).
  virtual void Release() {}
  // An event (kind 1) or error (kind 2) of the host module's library.
  virtual void OnLibraryEvent(uint32_t kind, const void* data, uint32_t length) {
    (void)kind, (void)data, (void)length;
  }
  // A host-module timer of the handler's expired: its handle and the context it was made with.
  virtual void OnTimer(uint32_t value1, uint32_t value2) { (void)value1, (void)value2; }

  // A received packet, by the verb of its first command. The message's args hold the parsed
  // header and command (cmd_buf, tag_ptr, tags_left); it goes back to its pool afterwards.
  virtual void OnStart(uint32_t code, PacketMessage& message) { (void)code, (void)message; }
  virtual void OnFinish(uint32_t code, PacketMessage& message) { (void)code, (void)message; }
  virtual void OnData(PacketMessage& message) { (void)message; }
  virtual void OnSet(PacketMessage& message) { (void)message; }
  virtual void OnGet(PacketMessage& message) { (void)message; }
  virtual void OnLet(PacketMessage& message) { (void)message; }
  virtual void OnRestore(PacketMessage& message) { (void)message; }
  virtual void OnRequest(uint32_t code, PacketMessage& message) { (void)code, (void)message; }
  virtual void OnIndirect(uint32_t code, PacketMessage& message) { (void)code, (void)message; }
  virtual void OnEvent(uint32_t code, PacketMessage& message) { (void)code, (void)message; }
  // A packet of the host controller's facility, after the packet layer processed it on Line().
  virtual void OnHostControl(uint32_t code, PacketMessage& message) { (void)code, (void)message; }
  // The line the packet layer's host-control processing runs on; null skips that processing.
  virtual VtxLine* Line() { return nullptr; }

  // A disabled handler keeps its packets in its FIFO until it is enabled again (on the queue
  // thread, through HostQueue::Enable).
  bool enabled() const { return enabled_; }

 protected:
  HostHandler() = default;

 private:
  friend class HostQueue;
  bool enabled_ = true;
  PacketMessage* fifo_head_ = nullptr;
  PacketMessage* fifo_tail_ = nullptr;
};

}  // namespace vtx::callctrl
