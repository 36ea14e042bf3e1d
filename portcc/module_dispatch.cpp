#include "portcc/module_dispatch.h"

#include "admin.h"
#include "api/address_mode.h"
#include "hostctrl.h"
#include "trace/cc_trace.h"

namespace vtx::portcc {
namespace {

namespace cc = trace::cc;

constexpr uint8_t kChannelAddress = 2;  // address kind of a module's channel

bool IsTimerAlert(const packet::Command& command) {
  packet::Tag channel;
  return command.facility == MILL_FACILITY_HOST_CTRL && command.verb == MILL_VERB_EVENT &&
         command.code == HOST_CTRL_ALERT_EVENT && command.FindTag(HOST_CTRL_CHANNEL_VAR, channel);
}

bool IsBoardNotification(const packet::Command& command) {
  return command.facility == MILL_FACILITY_ADMIN && command.verb == MILL_VERB_EVENT &&
         command.code == ADMIN_BOARD_NOTIFY_EVENT;
}

}  // namespace

ModuleDispatcher::ModuleDispatcher(uint32_t module_number, const callctrl::CcSlots& slots)
    : module_number_(module_number), slots_(slots) {}

callctrl::CallControlObject* ModuleDispatcher::Port(uint32_t index) const {
  return index < callctrl::kPortSlots ? slots_[index].get() : nullptr;
}

bool ModuleDispatcher::ToTimer(const packet::Command& command) {
  packet::Tag tag;
  const auto port =
      static_cast<uint32_t>(command.FindTag(HOST_CTRL_CHANNEL_VAR, tag) ? tag.Int() : 0);
  const auto context =
      static_cast<uint32_t>(command.FindTag(HOST_CTRL_CONTEXT_ID_VAR, tag) ? tag.Int() : 0);
  callctrl::CallControlObject* object = Port(port);
  if (object != nullptr) return object->OnTimer(context);
  cc::Trace(cc::kInternalTrace, cc::kLevelWarning,
            "Module %X, timer 0x%X expired for port %d, which has no call control", module_number_,
            context, static_cast<int>(port));
  return true;
}

bool ModuleDispatcher::ToChannel(const callctrl::CcPacket& packet) {
  const uint32_t channel = packet.source[3] & AddressByteMask();
  callctrl::CallControlObject* object = channel >= callctrl::kFirstPortChannel
                                            ? Port(channel - callctrl::kFirstPortChannel)
                                            : nullptr;
  if (object != nullptr) return object->OnPacket(packet);
  cc::Trace(cc::kInternalTrace, cc::kLevelWarning,
            "Module %X, event 0x%X of facility 0x%X from channel %u, which no port serves",
            module_number_, packet.command.code, packet.command.facility, channel);
  return true;
}

bool ModuleDispatcher::ToEveryPort(const callctrl::CcPacket& packet) {
  bool good = true;
  for (uint32_t index = 0; index < callctrl::kPortSlots; ++index) {
    if (slots_[index] != nullptr && !slots_[index]->OnPacket(packet)) good = false;
  }
  return good;
}

bool ModuleDispatcher::DispatchCommand(const callctrl::CcPacket& packet) {
  if (IsTimerAlert(packet.command)) return ToTimer(packet.command);
  if ((packet.source[1] & AddressByteMask()) == kChannelAddress) return ToChannel(packet);
  if (IsBoardNotification(packet.command)) return ToEveryPort(packet);
  cc::Trace(cc::kInternalTrace, cc::kLevelVerbose,
            "Module %X, event 0x%X of facility 0x%X for the module itself", module_number_,
            packet.command.code, packet.command.facility);
  return true;
}

bool ModuleDispatcher::Dispatch(const uint8_t* bytes, uint32_t length) {
  packet::PacketReader reader(bytes, length);
  callctrl::CcPacket packet;
  while (reader.Next(packet.command)) {
    packet.source = reader.src_addr();
    if (!DispatchCommand(packet)) return false;
  }
  return !reader.failed();
}

ModuleDispatcher::Outcome ModuleDispatcher::ReceiveAndDispatch(VtxLine* admin_line,
                                                               uint32_t timeout_ms) {
  MillArgs args{};
  args.pkt_buf = buffer_;
  args.pkt_len = sizeof buffer_;
  args.timeout = timeout_ms;
  if (MillReceivePkt(admin_line, &args) == 1) {
    if (Dispatch(args.pkt_buf, args.pkt_len)) return Outcome::kDispatched;
  } else if (args.status == CV_STATUS_TIMEOUT) {
    return Outcome::kIdle;
  }
  cc::Trace(cc::kInternalTrace, cc::kLevelError, "Communication with board failed, module 0x%X",
            module_number_);
  return Outcome::kFailed;
}

}  // namespace vtx::portcc
