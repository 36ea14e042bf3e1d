#include "callctrl/cc_registry.h"

#include <atomic>

#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

std::atomic<PortObjectMaker> g_port_maker{nullptr};
std::atomic<IpObjectMaker> g_ip_maker{nullptr};
std::atomic<PacketDispatcher> g_dispatcher{nullptr};
std::atomic<LibraryEventSink> g_event_sink{nullptr};
std::atomic<HostModuleEndSink> g_end_sink{nullptr};

}  // namespace

void RegisterPortObjectMaker(PortObjectMaker maker) {
  g_port_maker = maker;
}

void RegisterIpObjectMaker(IpObjectMaker maker) {
  g_ip_maker = maker;
}

void RegisterPacketDispatcher(PacketDispatcher dispatcher) {
  g_dispatcher = dispatcher;
}

void RegisterLibraryEventSink(LibraryEventSink sink) {
  g_event_sink = sink;
}

void RegisterHostModuleEndSink(HostModuleEndSink sink) {
  g_end_sink = sink;
}

void HostModuleEnded(HostModule& host) {
  const HostModuleEndSink sink = g_end_sink;
  if (sink != nullptr) sink(host);
}

bool DeliverLibraryEvent(HostModule& host, const void* event, uint32_t length) {
  const LibraryEventSink sink = g_event_sink;
  return sink != nullptr && sink(host, event, length);
}

std::unique_ptr<CallControlObject> MakePortObject(int32_t port_config, uint32_t port_type) {
  const PortObjectMaker maker = g_port_maker;
  return maker != nullptr ? maker(port_config, port_type) : nullptr;
}

std::unique_ptr<CallControlObject> MakeIpObject(uint32_t module_number, uint32_t host_cc) {
  const IpObjectMaker maker = g_ip_maker;
  if (maker == nullptr) {
    trace::cc::Trace(trace::cc::kInternalTrace, trace::cc::kLevelWarning,
                     "No IP call-control objects in this build: host_cc.%u of module 0x%X "
                     "has no IP channels",
                     host_cc, module_number);
    return nullptr;
  }
  return maker(host_cc);
}

bool DispatchPacket(uint32_t module_number, const CcSlots& slots, const uint8_t* packet,
                    uint32_t length) {
  const PacketDispatcher dispatcher = g_dispatcher;
  return dispatcher == nullptr || dispatcher(module_number, slots, packet, length);
}

}  // namespace vtx::callctrl
