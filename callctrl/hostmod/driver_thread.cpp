// The driver event threads of a host module: one per board module and channel that the host
// module works with, each receiving on its own session without time limit and posting what it
// receives to the host module's queue.
#include <ace/Thread_Manager.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "api/line.h"
#include "callctrl/board/exchange.h"
#include "callctrl/board/master_election.h"
#include "callctrl/hostmod/host_module.h"
#include "hostctrl.h"
#include "packet/send_receive.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {

using trace::cc::kHostModuleTrace;
using trace::cc::kLevelError;

namespace {

constexpr auto kReceivePause = std::chrono::milliseconds(1000);
constexpr auto kPauseStep = std::chrono::milliseconds(50);
constexpr uint32_t kReceiveBuffer = 2048;  // room to see that a packet is over 1200 bytes
constexpr uint32_t kAlertSendWait = 1000;

// A HOST_CTRL EVENT ALERT whose ALERT_VALUE is 254: the thread's end.
bool IsEndAlert(const uint8_t* packet, uint32_t length) {
  packet::PacketReader reader(packet, length);
  packet::Command command;
  packet::Tag value;
  return reader.Next(command) && command.facility == MILL_FACILITY_HOST_CTRL &&
         command.verb == MILL_VERB_EVENT && command.code == HOST_CTRL_ALERT_EVENT &&
         command.FindTag(HOST_CTRL_ALERT_VALUE_VAR, value) && value.Int() == kDriverThreadEndAlert;
}

void PauseAfterError(DriverEventThread& slot) {
  for (auto waited = std::chrono::milliseconds(0); waited < kReceivePause && !slot.stop;
       waited += kPauseStep) {
    std::this_thread::sleep_for(kPauseStep);
  }
}

// Receives until the ALERT that ends it; the stop flag is looked at only after a failed receive,
// so that whatever reached the session before the ALERT is still posted.
ACE_THR_FUNC_RETURN DriverThread(void* argument) {
  DriverEventThread& slot = *static_cast<DriverEventThread*>(argument);
  uint8_t buffer[kReceiveBuffer];
  for (;;) {
    MillArgs args{};
    args.pkt_buf = buffer;
    args.pkt_len = sizeof buffer;
    args.timeout = kWaitForever;
    args.no_hangup = 1;
    if (packet::ReceivePkt(slot.session, &args) != 1) {
      if (slot.stop) break;
      if (args.status != CV_STATUS_TIMEOUT) PauseAfterError(slot);
      continue;
    }
    const uint32_t length = args.pkt_len;
    if (IsEndAlert(buffer, length)) break;
    if (length <= kPacketMessageBuffer) slot.owner->queue.PostPacket(args, buffer, length);
  }
  return 0;
}

uint32_t SlotIndex(uint32_t module, uint32_t channel) {
  return module * kDriverThreadChannels + channel;
}

}  // namespace

bool OpenDriverEventThread(HostModule& host, uint32_t module, uint32_t channel) {
  if (module >= kDriverThreadModules || channel >= kDriverThreadChannels) return false;
  std::lock_guard<std::mutex> hold(host.driver_lock);
  std::unique_ptr<DriverEventThread>& slot = host.driver_threads[SlotIndex(module, channel)];
  if (slot != nullptr) return true;
  auto thread = std::make_unique<DriverEventThread>();
  thread->owner = &host;
  // The pair's own address names its module and channel, which select its handler.
  VtxLineArgs args{};
  const Address board = ChannelAddress(0, module, channel);
  memcpy(args.dest_addr, board.bytes, 4);
  args.local_addr[0] = static_cast<uint8_t>(module);
  args.local_addr[1] = static_cast<uint8_t>(channel);
  args.local_addr[2] = static_cast<uint8_t>(host.id);
  args.local_addr[3] = 2;
  args.attach_option = 1;
  thread->session = VtxSessionAttach(&args);
  if (thread->session == nullptr) {
    trace::cc::Trace(kHostModuleTrace, kLevelError, "OpenSession() failed, module=0x%x", module);
    return false;
  }
  if (ACE_Thread_Manager::instance()->spawn(DriverThread, thread.get(), THR_NEW_LWP | THR_JOINABLE,
                                            &thread->thread) == -1) {
    trace::cc::Trace(kHostModuleTrace, kLevelError,
                     "Unable to start driver event thread, module=0x%x", module);
    DetachLine(thread->session);
    return false;
  }
  slot = std::move(thread);
  return true;
}

void CloseDriverEventThread(HostModule& host, uint32_t module, uint32_t channel) {
  if (module >= kDriverThreadModules || channel >= kDriverThreadChannels) return;
  std::unique_ptr<DriverEventThread> thread;
  {
    std::lock_guard<std::mutex> hold(host.driver_lock);
    thread = std::move(host.driver_threads[SlotIndex(module, channel)]);
  }
  if (thread == nullptr) return;
  thread->stop = true;
  Address own;
  memcpy(own.bytes, thread->session->own_addr, 4);
  const MillTagItem tags[] = {
      {HOST_CTRL_ALERT_VALUE_VAR, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(kDriverThreadEndAlert)},
      {0, 0, 0, nullptr}};
  if (host.session != nullptr) {
    SendCommandTo(host.session, own, MILL_FACILITY_HOST_CTRL, MILL_VERB_EVENT,
                  HOST_CTRL_ALERT_EVENT, tags, kAlertSendWait);
  }
  ACE_Thread_Manager::instance()->join(thread->thread);
  DetachLine(thread->session);
}

}  // namespace vtx::callctrl
