#include "ipcc/ip_channels.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "admin.h"
#include "callctrl/cc_registry.h"
#include "callctrl/hostmod/host_module.h"
#include "ip_cc.h"
#include "ipcc/application_link.h"
#include "ipcc/library_event.h"
#include "ipcc/t38_params.h"
#include "packet/codes.h"
#include "teleph/t38_params.h"
#include "trace/cc_trace.h"

namespace vtx::ipcc {
namespace {

using trace::cc::kHostModuleTrace;
using trace::cc::kLevelBasic;
using trace::cc::kLevelError;
using trace::cc::kLevelVerbose;
using trace::cc::kLevelWarning;

constexpr uint32_t kCauseNoAnswer = 19;
constexpr uint32_t kCauseNoChannel = 34;    // no IP channel of the host module is free
constexpr uint32_t kCauseNoResource = 47;   // the board cannot carry the call's media
constexpr uint32_t kCauseHostStopped = 41;  // the call's host module stopped under it
constexpr uint8_t kModuleKind = 1;          // address kind of a module itself
constexpr uint16_t kFamilyInet = 2;         // IPv4 socket addresses

// The IP objects of the process that offer their channels, in the order they started.
std::mutex g_directory_lock;
std::vector<IpChannels*> g_directory;

std::atomic<uint32_t> g_media_handles{0};  // media records are numbered for their messages

std::vector<IpChannels*> ObjectsOf(int32_t host_module) {
  std::lock_guard<std::mutex> hold(g_directory_lock);
  std::vector<IpChannels*> found;
  for (IpChannels* object : g_directory) {
    if (object->host_module() == host_module) found.push_back(object);
  }
  return found;
}

void Withdraw(IpChannels* object) {
  std::lock_guard<std::mutex> hold(g_directory_lock);
  g_directory.erase(std::remove(g_directory.begin(), g_directory.end(), object), g_directory.end());
}

// The parameters the board's UDPTL port is given: the settled ones, with the maximum buffer
// brought into the range the port accepts. The buffer is the board's own, so one at least as
// large as the settled figure that the far end was told serves the call; a configuration's
// default of 512 bytes, or a far end's, would otherwise be refused.
VtxT38Params BoardT38(VtxT38Params t38) {
  t38.t38_fax_max_buffer =
      std::clamp(t38.t38_fax_max_buffer, teleph::kMinT38Buffer, teleph::kMaxT38Buffer);
  return t38;
}

// Sends a command of `call` with `data` to the host module's library.
void SendCommand(callctrl::HostModule& host, uint32_t command, uint32_t call, const void* data,
                 uint32_t length) {
  std::vector<uint8_t> record(sizeof(CIPI_CommandHeader) + length);
  const CIPI_CommandHeader header{command, call, length};
  memcpy(record.data(), &header, sizeof header);
  if (length > 0) memcpy(record.data() + sizeof header, data, length);
  const int32_t result = host.library.SendCommand(record.data());
  if (result != 0) {
    trace::cc::Trace(kHostModuleTrace, kLevelError,
                     "SendCommand failed: hm=0x%x, hcr=0x%x, command=%u, result=%d", host.id, call,
                     command, static_cast<int>(result));
  }
}

// A new call takes the first free channel of the host module's IP objects. A call that finds
// none is released at once, so that the library does not hold it: also when the host module has
// no IP channels at all because no board module that serves it started.
bool Offered(callctrl::HostModule& host, const LibraryEvent& event) {
  const uint32_t call = event.header.call;
  CIPI_CallParties parties{};
  EventParties(event, parties);
  const std::vector<IpChannels*> objects = ObjectsOf(static_cast<int32_t>(host.number));
  for (IpChannels* object : objects) {
    const int32_t index = object->Free();
    if (index < 0) continue;
    const auto channel = static_cast<uint32_t>(index);
    CallRecord& record = object->call(channel);
    record.used = true;
    record.call = call;
    record.host = &host;
    record.media = MediaRecord{true, ++g_media_handles, {}};
    trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                     "[%X,%X] Call offered: hm=0x%x, hcr=0x%x, calling=%s, called=%s",
                     object->module_number(), object->Unit(channel), host.id, call, parties.calling,
                     parties.called);
    // Where the timer and the applications' requests arrive: a channel that cannot hear the
    // applications cannot have its call answered.
    if (!object->PlaceHandler(channel)) {
      SendCommand(host, Command_CIPI_Release, call, &kCauseNoResource, sizeof kCauseNoResource);
      object->EndCall(channel, kCauseNoResource);
      return true;
    }
    if (host.inbound_call_timeout > 0) {
      record.timer = callctrl::CreateHostTimer(
          host.timers, static_cast<uint32_t>(host.inbound_call_timeout), object->module_number(),
          object->Unit(channel), &host.queue, call);
    }
    // The applications on the channel answer it, or the timer releases it.
    object->TellOffered(channel, parties);
    return true;
  }
  trace::cc::Trace(kHostModuleTrace, kLevelError,
                   objects.empty() ? "No IP channel serves the host module (no board module with "
                                     "its host_cc entries started), call released: hm=0x%x, "
                                     "hcr=0x%x, cause=%u"
                                   : "No free IP channel for the call, call released: hm=0x%x, "
                                     "hcr=0x%x, cause=%u",
                   host.id, call, kCauseNoChannel);
  SendCommand(host, Command_CIPI_Release, call, &kCauseNoChannel, sizeof kCauseNoChannel);
  return true;
}

// The T.38 parameters of an offer or a selection, settled into the call's media record; an
// accepted offer is answered with the host's own parameters.
void Media(callctrl::HostModule& host, IpChannels& object, uint32_t channel,
           const LibraryEvent& event) {
  CallRecord& record = object.call(channel);
  const CallPlace place{object.module_number(), object.Unit(channel)};
  CIPI_MediaDescription media{};
  if (!EventMedia(event, media) || !IsT38Description(media)) {
    trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                     "[%X,%X] Media that is not T.38 refused: hm=0x%x, hcr=0x%x", place.module,
                     place.channel, host.id, record.call);
    return;
  }
  const VtxT38Params limits = T38FromConfig(host.t38);
  if (!ProcessMediaT38Params(place, record.call, event.header.event, media, limits, record.media)) {
    return;
  }
  trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                   "[%X,%X] T.38 parameters settled: hm=0x%x, hcr=0x%x, %s", place.module,
                   place.channel, host.id, record.call, T38TraceLine(record.media.t38).c_str());
  // The board side follows the settled parameters: the channel is joined to a UDPTL port. A
  // call whose fax the board cannot carry is released rather than answered.
  if (!object.ConnectT38(channel, media)) {
    trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                     "[%X,%X] Call released without a UDPTL connection: hm=0x%x, hcr=0x%x",
                     place.module, place.channel, host.id, record.call);
    SendCommand(host, Command_CIPI_Release, record.call, &kCauseNoResource,
                sizeof kCauseNoResource);
    object.EndCall(channel, kCauseNoResource);
    return;
  }
  if (event.header.event == Event_CIPI_MediaOffer) {
    // Our answer: our own parameters, and the board's UDPTL port as where the far end sends.
    WriteOwnT38Params(media, record.media.t38);
    memcpy(media.address, record.local_address, sizeof media.address);
    media.port = record.local_port;
    SendCommand(host, Command_CIPI_MediaAnswer, record.call, &media, sizeof media);
  }
}

}  // namespace

void ChannelHandler::OnTimer(uint32_t handle, uint32_t call) {
  owner_.CallTimedOut(index_, handle, call);
}

void ChannelHandler::OnRequest(uint32_t code, callctrl::PacketMessage& message) {
  owner_.ApplicationRequest(index_, *host_, code, message);
}

IpChannels::~IpChannels() {
  Withdraw(this);
  if (line_ != nullptr) {
    VtxLineArgs detach{};
    VtxLineDetach(line_, &detach);
  }
}

VtxLine* IpChannels::Line(uint32_t index) {
  if (line_ != nullptr) return line_;
  VtxLineArgs attach{};
  attach.dest_addr[0] = MILL_FACILITY_ADMIN;
  attach.dest_addr[1] = kModuleKind;
  attach.dest_addr[2] = static_cast<uint8_t>(module_number_);
  attach.present = 1;
  line_ = VtxSessionAttach(&attach);
  VtxLineArgs reset{};
  reset.skip_teleph = 1;
  if (line_ != nullptr && VtxLineReset(line_, &reset) < 0) {
    VtxLineArgs detach{};
    VtxLineDetach(line_, &detach);
    line_ = nullptr;
  }
  if (line_ == nullptr) {
    const CallRecord& record = calls_[index];
    trace::cc::Trace(kHostModuleTrace, kLevelError,
                     "[%X,%X] No line on module 0x%X: hm=0x%x, hcr=0x%x", module_number_,
                     Unit(index), module_number_, record.host != nullptr ? record.host->id : 0,
                     record.call);
  }
  return line_;
}

bool IpChannels::ConnectT38(uint32_t index, const CIPI_MediaDescription& far_end) {
  CallRecord& record = calls_[index];
  if (record.connected) return true;
  const uint32_t id = record.host != nullptr ? record.host->id : 0;
  if (Line(index) == nullptr) return false;
  VtxTelephArgs args{};
  args.udptl_opts.remoteAddr.sin_family = kFamilyInet;
  args.udptl_opts.remoteAddr.sin_port = far_end.port;
  memcpy(args.udptl_opts.remoteAddr.sin_addr, far_end.address, 4);
  args.udptl_opts.t38 = BoardT38(record.media.t38);
  if (!SwitchUdptl(index, args, "refused")) return false;
  const VtxSockAddr& local = args.udptl_opts.localAddr;
  const VtxSockAddr& remote = args.udptl_opts.remoteAddr;
  trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                   "[%X,%X] UDPTL connection made: hm=0x%x, hcr=0x%x, local %u.%u.%u.%u:%u, "
                   "remote %u.%u.%u.%u:%u",
                   module_number_, Unit(index), id, record.call, local.sin_addr[0],
                   local.sin_addr[1], local.sin_addr[2], local.sin_addr[3], local.sin_port,
                   remote.sin_addr[0], remote.sin_addr[1], remote.sin_addr[2], remote.sin_addr[3],
                   remote.sin_port);
  record.connected = true;
  memcpy(record.local_address, local.sin_addr, sizeof record.local_address);
  record.local_port = local.sin_port;
  return true;
}

bool IpChannels::SwitchUdptl(uint32_t index, VtxTelephArgs& args, const char* refusal) {
  const CallRecord& record = calls_[index];
  args.src_port_unit = Unit(index);
  args.dest_port_class = VTX_PORT_CLASS_UDPTL;
  args.udptl_opts.localAddr.sin_family = kFamilyInet;
  const int result = VtxCallSWConnectIP(line_, &args);
  if (result == 0) return true;
  trace::cc::Trace(kHostModuleTrace, kLevelError,
                   "[%X,%X] UDPTL connection %s (result %d, status %u/%u): hm=0x%x, hcr=0x%x",
                   module_number_, Unit(index), refusal, result, args.status, args.line_status,
                   record.host != nullptr ? record.host->id : 0, record.call);
  return false;
}

void IpChannels::ReleaseT38(uint32_t index) {
  const CallRecord& record = calls_[index];
  VtxTelephArgs args{};
  args.conn_mode = VTX_CONN_MODE_DISCONNECT | VTX_CONN_MODE_NO_T38;
  args.udptl_opts.localAddr.sin_port = record.local_port;
  if (!SwitchUdptl(index, args, "not released")) return;
  trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                   "[%X,%X] UDPTL connection released: hm=0x%x, hcr=0x%x", module_number_,
                   Unit(index), record.host != nullptr ? record.host->id : 0, record.call);
}

void IpChannels::StopTimer(uint32_t index) {
  CallRecord& record = calls_[index];
  if (record.timer != 0 && record.host != nullptr) {
    callctrl::DeleteTimer(record.host->timers, record.timer);
  }
  record.timer = 0;
}

void IpChannels::Connected(uint32_t index) {
  StopTimer(index);
  TellConnected(Line(index), module_number_, Unit(index));
}

void IpChannels::TellOffered(uint32_t index, const CIPI_CallParties& parties) {
  TellSetup(Line(index), module_number_, Unit(index), parties);
}

void IpChannels::EndCall(uint32_t index, uint32_t cause) {
  CallRecord& record = calls_[index];
  StopTimer(index);
  if (record.connected) ReleaseT38(index);
  TellReleased(Line(index), module_number_, Unit(index), cause);
  record = CallRecord{};
}

void IpChannels::ApplicationRequest(uint32_t index, callctrl::HostModule& host, uint32_t code,
                                    const callctrl::PacketMessage& message) {
  const CallRecord& record = calls_[index];
  const char* name = codes::Name(MILL_FACILITY_IP_CC, codes::Kind::kRequest, code);
  if (name == nullptr) name = "Unknown";
  if (!record.used || record.host != &host) {
    trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                     "ProcessCallRequest:invalid call record: hm=0x%x, hcr=0x%x, req=%s(%d)",
                     host.id, record.call, name, static_cast<int>(code));
    return;
  }
  const uint32_t call = record.call;
  switch (code) {
    case IP_CC_CONNECT_REQUEST:
      trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                       "[%X,%X] Call answered by the application: hm=0x%x, hcr=0x%x",
                       module_number_, Unit(index), host.id, call);
      SendCommand(host, Command_CIPI_Answer, call, nullptr, 0);
      break;
    case IP_CC_RELEASE_REQUEST:
    case IP_CC_CLEAR_REQUEST: {
      const uint32_t cause = RequestCause(message);
      trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                       "[%X,%X] Call released by the application: hm=0x%x, hcr=0x%x, cause=%u",
                       module_number_, Unit(index), host.id, call, cause);
      SendCommand(host, Command_CIPI_Release, call, &cause, sizeof cause);
      EndCall(index, cause);
      break;
    }
    default:
      trace::cc::Trace(kHostModuleTrace, kLevelWarning,
                       "[%X,%X] Request %s(%d) not carried out on an IP channel: hm=0x%x, hcr=0x%x",
                       module_number_, Unit(index), name, static_cast<int>(code), host.id, call);
      break;
  }
}

bool IpChannels::Initialise(const callctrl::CcInit& init) {
  const auto* ip = std::get_if<callctrl::IpInit>(&init);
  if (ip == nullptr || ip->number_of_channels <= 0 || ip->host_module < 1 ||
      ip->host_module > static_cast<int32_t>(callctrl::kMaxHostModule)) {
    return false;
  }
  module_number_ = ip->module_number;
  host_module_ = ip->host_module;
  first_unit_ = ip->first_unit;
  calls_.assign(static_cast<size_t>(ip->number_of_channels), CallRecord{});
  handlers_.resize(calls_.size());
  return true;
}

bool IpChannels::Start() {
  std::lock_guard<std::mutex> hold(g_directory_lock);
  g_directory.push_back(this);
  return true;
}

void IpChannels::Shutdown() {
  Withdraw(this);
}

void IpChannels::Forget(callctrl::HostModule& host) {
  for (size_t index = 0; index < calls_.size(); ++index) {
    if (handlers_[index] != nullptr && handlers_[index]->host() == &host) {
      host.queue.SetHandler(module_number_, Unit(static_cast<uint32_t>(index)), nullptr);
      handlers_[index].reset();
    }
    if (calls_[index].host == &host) EndCall(static_cast<uint32_t>(index), kCauseHostStopped);
  }
}

int32_t IpChannels::Find(uint32_t call) const {
  for (size_t i = 0; i < calls_.size(); ++i) {
    if (calls_[i].used && calls_[i].call == call) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t IpChannels::Free() const {
  for (size_t i = 0; i < calls_.size(); ++i) {
    if (!calls_[i].used) return static_cast<int32_t>(i);
  }
  return -1;
}

bool IpChannels::PlaceHandler(uint32_t index) {
  std::unique_ptr<ChannelHandler>& handler = handlers_[index];
  callctrl::HostModule* host = calls_[index].host;
  if (handler == nullptr) {
    handler = std::make_unique<ChannelHandler>(*this, index, host);
    host->queue.SetHandler(module_number_, Unit(index), handler.get());
  }
  return ServeChannel(*host, module_number_, Unit(index));
}

void IpChannels::CallTimedOut(uint32_t index, uint32_t handle, uint32_t call) {
  CallRecord& record = calls_[index];
  if (!record.used || record.call != call || record.timer != handle) {
    trace::cc::Trace(kHostModuleTrace, kLevelError,
                     "ProcessTimer:invalid call record: hm=0x%x, hcr=0x%x",
                     record.host != nullptr ? record.host->id : 0, call);
    return;
  }
  callctrl::HostModule& host = *record.host;
  record.timer = 0;
  trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                   "[%X,%X] Call not answered in %d ms, released: hm=0x%x, hcr=0x%x",
                   module_number_, Unit(index), host.inbound_call_timeout, host.id, call);
  SendCommand(host, Command_CIPI_Release, call, &kCauseNoAnswer, sizeof kCauseNoAnswer);
  EndCall(index, kCauseNoAnswer);
}

bool ProcessHostEvent(callctrl::HostModule& host, const void* buffer, uint32_t length) {
  LibraryEvent event;
  if (!ReadLibraryEvent(buffer, length, event)) return false;
  if (event.header.event == Event_CIPI_CallOffered) return Offered(host, event);
  for (IpChannels* object : ObjectsOf(static_cast<int32_t>(host.number))) {
    const int32_t found = object->Find(event.header.call);
    if (found < 0) continue;
    const auto channel = static_cast<uint32_t>(found);
    CallRecord& record = object->call(channel);
    switch (event.header.event) {
      case Event_CIPI_MediaOffer:
      case Event_CIPI_MediaSelected:
        Media(host, *object, channel, event);
        break;
      case Event_CIPI_CallConnected:
        trace::cc::Trace(kHostModuleTrace, kLevelBasic, "[%X,%X] Call connected: hm=0x%x, hcr=0x%x",
                         object->module_number(), object->Unit(channel), host.id, record.call);
        object->Connected(channel);
        break;
      case Event_CIPI_CallReleased: {
        uint32_t cause = 0;
        EventCause(event, cause);
        trace::cc::Trace(
            kHostModuleTrace, kLevelBasic, "[%X,%X] Call released: hm=0x%x, hcr=0x%x, cause=%u",
            object->module_number(), object->Unit(channel), host.id, record.call, cause);
        object->EndCall(channel, cause);
        break;
      }
      case Event_CIPI_CommandDone: {
        CIPI_CommandResult done{};
        EventCommandResult(event, done);
        trace::cc::Trace(kHostModuleTrace, kLevelVerbose,
                         "[%X,%X] Command %u carried out: hm=0x%x, hcr=0x%x, result=%d",
                         object->module_number(), object->Unit(channel), done.command, host.id,
                         record.call, static_cast<int>(done.result));
        break;
      }
      default:
        trace::cc::Trace(kHostModuleTrace, kLevelVerbose, "[%X,%X] Event %s(%d): hm=0x%x, hcr=0x%x",
                         object->module_number(), object->Unit(channel),
                         CIPI_EventName(event.header.event), static_cast<int>(event.header.event),
                         host.id, record.call);
        break;
    }
    return true;
  }
  return false;
}

namespace {

std::unique_ptr<callctrl::CallControlObject> MakeIpChannels(uint32_t) {
  return std::make_unique<IpChannels>();
}

// A stopped host module's calls end, and its queue's table no longer names our handlers.
void ForgetHostModule(callctrl::HostModule& host) {
  for (IpChannels* object : ObjectsOf(static_cast<int32_t>(host.number))) object->Forget(host);
}

const bool kRegistered = [] {
  callctrl::RegisterIpObjectMaker(&MakeIpChannels);
  callctrl::RegisterLibraryEventSink(&ProcessHostEvent);
  callctrl::RegisterHostModuleEndSink(&ForgetHostModule);
  return true;
}();

}  // namespace

}  // namespace vtx::ipcc
