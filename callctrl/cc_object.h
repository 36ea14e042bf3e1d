// The call-control objects of a board module: one interface for the port objects (portcc/) and
// the IP channel objects (ipcc/), so that module start-up, the module's event dispatch and the
// host module queue drive both alike without knowing which kind they hold.
//
// A module keeps its objects in 20 slots: 0..9 port objects by port index, 10..19 IP objects by
// host_cc number. Start-up creates an object through its kind's factory and initialises it; the
// module's event thread starts it, hands it what arrives for it and shuts it down; destroying it
// (deleting through this interface) releases everything it holds.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <variant>

#include "callctrl/config/config_records.h"
#include "packet/command_reader.h"
#include "vtx.h"

namespace vtx::callctrl {

struct BoardModule;  // the started module that owns the object; opaque to the objects

constexpr uint32_t kCcSlots = 20;
constexpr uint32_t kPortSlots = 10;  // slots 0..9
constexpr uint32_t kIpBaseSlot = 10;
// Packets on the administration line come from channel (port index + this).
constexpr uint32_t kFirstPortChannel = 2;

// What a port object is initialised with.
struct PortInit {
  VtxLine* admin_line = nullptr;  // the module's administration line: the object sends on it
  const PortConfigRecord* port = nullptr;
  int32_t pcm_law = 0;
  uint32_t module_number = 0;
  uint32_t port_index = 0;
  uint32_t channel_count = 0;  // the channels the module offers the port
  const char* user_preference_file = nullptr;
  BoardModule* module = nullptr;
};

// What an IP object is initialised with.
struct IpInit {
  VtxLine* admin_line = nullptr;
  uint32_t module_number = 0;
  uint32_t slot = 0;
  int32_t host_module = 0;
  int32_t number_of_channels = 0;
  int32_t reserved = 0;  // always 0
  // The unit of the object's first channel on the module: the IP channels of a module are
  // numbered on from 0 across its host_cc entries in host_cc order, so that no two entries
  // share a channel.
  uint32_t first_unit = 0;
  const EthernetConfig* ethernet = nullptr;
  BoardModule* module = nullptr;
};

using CcInit = std::variant<PortInit, IpInit>;

// One command of a packet received on the administration line, as the module's dispatcher
// handed it to the object: the command, and the source address of the packet that carried it.
struct CcPacket {
  packet::Command command;
  const uint8_t* source = nullptr;  // 4 bytes
};

// An event of a host module library for the object's channels.
struct CcLibraryEvent {
  const void* data = nullptr;
  uint32_t length = 0;
};

class CallControlObject {
 public:
  virtual ~CallControlObject() = default;
  CallControlObject(const CallControlObject&) = delete;
  CallControlObject& operator=(const CallControlObject&) = delete;

  // Takes the object's settings and reads what it needs before it starts; false when the object
  // cannot serve (the reason traced), or when `init` is of the other kind.
  virtual bool Initialise(const CcInit& init) = 0;
  // The channels the object serves.
  virtual uint32_t ChannelCount() const = 0;
  // On the module's event thread, before the first packet: sends the object's configuration to
  // the board. False when it could not.
  virtual bool Start() = 0;
  // On the module's event thread as it ends.
  virtual void Shutdown() = 0;
  // A packet of the object's channels, a timer of the object's that expired (with the context
  // the timer was made with), an event of its host module library. False means the object could
  // not talk to the board: the module's event thread then stops.
  virtual bool OnPacket(const CcPacket& packet) = 0;
  virtual bool OnTimer(uint32_t context) = 0;
  virtual bool OnLibraryEvent(const CcLibraryEvent& event) = 0;

 protected:
  CallControlObject() = default;
};

using CcSlots = std::array<std::unique_ptr<CallControlObject>, kCcSlots>;

}  // namespace vtx::callctrl
