// How module start-up reaches the call control of ports and IP channels, which sit above the
// framework: their layers register a maker of their objects and the module's packet dispatcher
// when the library loads. What nobody registered makes no object (an IP host_cc entry says so in
// the call-control trace) and dispatches nothing.
#pragma once

#include <cstdint>
#include <memory>

#include "callctrl/cc_object.h"

namespace vtx::callctrl {

// The object for a port's `port_config` and port-type word, null for an unknown combination.
using PortObjectMaker = std::unique_ptr<CallControlObject> (*)(int32_t port_config,
                                                               uint32_t port_type);
// The object of a module's host_cc entry.
using IpObjectMaker = std::unique_ptr<CallControlObject> (*)(uint32_t host_cc);
// Hands one packet of a module's administration line to the objects in `slots`: false when the
// board can no longer be talked to.
using PacketDispatcher = bool (*)(uint32_t module_number, const CcSlots& slots,
                                  const uint8_t* packet, uint32_t length);

struct HostModule;
// Hands an event of a host module's library to the IP call control of its channels, on the host
// module's queue thread: false when no call of the host module took it.
using LibraryEventSink = bool (*)(HostModule& host, const void* event, uint32_t length);
// Told that a host module has stopped (its queue processed everything and ended) and is about to
// go: whatever refers to it lets go.
using HostModuleEndSink = void (*)(HostModule& host);

// Each replaces what was registered before; null withdraws it.
void RegisterPortObjectMaker(PortObjectMaker maker);
void RegisterIpObjectMaker(IpObjectMaker maker);
void RegisterPacketDispatcher(PacketDispatcher dispatcher);
void RegisterLibraryEventSink(LibraryEventSink sink);
void RegisterHostModuleEndSink(HostModuleEndSink sink);

std::unique_ptr<CallControlObject> MakePortObject(int32_t port_config, uint32_t port_type);
std::unique_ptr<CallControlObject> MakeIpObject(uint32_t module_number, uint32_t host_cc);
// False when nothing is registered.
bool DeliverLibraryEvent(HostModule& host, const void* event, uint32_t length);
void HostModuleEnded(HostModule& host);
// True (the packet dropped) when no dispatcher is registered.
bool DispatchPacket(uint32_t module_number, const CcSlots& slots, const uint8_t* packet,
                    uint32_t length);

}  // namespace vtx::callctrl
