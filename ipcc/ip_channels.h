// The IP call-control objects: one per host_cc entry of a board module, serving the entry's
// channels for its host module. Each channel holds at most one call of the host module's
// library, with its media record; the host module's library events reach the calls on the host
// module's queue thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "callctrl/cc_object.h"
#include "callctrl/hostmod/host_handler.h"
#include "ipcc/t38_negotiation.h"

namespace vtx::callctrl {
struct HostModule;
}

namespace vtx::ipcc {

class IpChannels;

// A call on one channel.
struct CallRecord {
  bool used = false;
  uint32_t call = 0;   // the library's identifier ("hcr")
  uint32_t timer = 0;  // the unanswered-call timer, 0 when none runs
  callctrl::HostModule* host = nullptr;
  MediaRecord media;
  bool connected = false;  // the channel is joined to a UDPTL port of the board
  // The module's end of that connection, where the far end sends the call's fax.
  uint8_t local_address[4] = {};
  uint16_t local_port = 0;
};

// Where a channel's host-module timers arrive: the channel's place in the host module's
// handler table.
class ChannelHandler : public callctrl::HostHandler {
 public:
  ChannelHandler(IpChannels& owner, uint32_t index, callctrl::HostModule* host)
      : owner_(owner), index_(index), host_(host) {}
  void OnTimer(uint32_t handle, uint32_t call) override;
  // An application's IP_CC request for the channel's call.
  void OnRequest(uint32_t code, callctrl::PacketMessage& message) override;
  callctrl::HostModule* host() const { return host_; }

 private:
  IpChannels& owner_;
  uint32_t index_;
  callctrl::HostModule* host_;
};

class IpChannels : public callctrl::CallControlObject {
 public:
  IpChannels() = default;
  ~IpChannels() override;

  bool Initialise(const callctrl::CcInit& init) override;
  uint32_t ChannelCount() const override { return static_cast<uint32_t>(calls_.size()); }
  // Offers the channels to the host module's calls.
  bool Start() override;
  void Shutdown() override;
  // The channels' traffic reaches them through the host module's queue, not the module's
  // event thread.
  bool OnPacket(const callctrl::CcPacket&) override { return true; }
  bool OnTimer(uint32_t) override { return true; }
  bool OnLibraryEvent(const callctrl::CcLibraryEvent&) override { return true; }

  uint32_t module_number() const { return module_number_; }
  // The unit on the module of the object's channel `index`: what the board, the applications,
  // the host module's handler table and the traces know the channel by.
  uint32_t Unit(uint32_t index) const { return first_unit_ + index; }
  int32_t host_module() const { return host_module_; }
  CallRecord& call(uint32_t index) { return calls_[index]; }
  // The channel of `call`, or -1.
  int32_t Find(uint32_t call) const;
  // A free channel, or -1.
  int32_t Free() const;
  // Places the channel's handler in the table of its call's host module (once), and serves the
  // channel's IP_CC facility for that host module: false, traced, when it cannot be served.
  bool PlaceHandler(uint32_t index);
  // The host module stopped: its calls end and its table no longer names our handlers.
  void Forget(callctrl::HostModule& host);
  // The unanswered-call timer of a channel expired.
  void CallTimedOut(uint32_t index, uint32_t handle, uint32_t call);
  // The call of a channel was connected: its unanswered-call timer stops and the applications
  // on the channel are told.
  void Connected(uint32_t index);
  // An application's IP_CC request for a channel, on the queue of `host`: CONNECT answers the
  // channel's call, RELEASE and CLEAR release it.
  void ApplicationRequest(uint32_t index, callctrl::HostModule& host, uint32_t code,
                          const callctrl::PacketMessage& message);
  // Tells the applications on a channel that its call was offered, from the library's parties.
  void TellOffered(uint32_t index, const CIPI_CallParties& parties);
  // Joins the channel to a UDPTL port of the module towards the far end's medium, with the
  // call's settled T.38 parameters (once per call): false, traced, when the board refuses.
  bool ConnectT38(uint32_t index, const CIPI_MediaDescription& far_end);
  // The call of a channel ends with `cause`: its timer stops, its UDPTL connection is released
  // and the applications on the channel are told.
  void EndCall(uint32_t index, uint32_t cause);

 private:
  uint32_t module_number_ = 0;
  uint32_t first_unit_ = 0;
  void StopTimer(uint32_t index);
  // The object's own line on the module, opened at its first use; null, traced, when it cannot
  // be opened.
  VtxLine* Line(uint32_t index);
  // Sends a switch request for the channel and its UDPTL port in the mode `args` holds; a
  // refusal is traced as "UDPTL connection <refusal>".
  bool SwitchUdptl(uint32_t index, VtxTelephArgs& args, const char* refusal);
  // Removes the channel's UDPTL connection from the board, traced either way.
  void ReleaseT38(uint32_t index);

  int32_t host_module_ = 0;
  std::vector<CallRecord> calls_;
  std::vector<std::unique_ptr<ChannelHandler>> handlers_;
  // A line of our own on the module for switching and for the applications' events: the
  // administration line belongs to the module's event thread.
  VtxLine* line_ = nullptr;
};

// The library event of a host module for its IP channels (registered as the framework's sink):
// false when it belongs to no call of the host module's channels. A call offered is always
// taken: placed on a free channel, or released at once when there is none.
bool ProcessHostEvent(callctrl::HostModule& host, const void* event, uint32_t length);

}  // namespace vtx::ipcc
