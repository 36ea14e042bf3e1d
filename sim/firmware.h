// Firmware behaviour of a simulated module: a table of handlers keyed by facility, verb and
// code. A handler sees one received command and answers with packets for the sender; the
// defaults behave like a healthy board, and a test replaces any of them.
//
//   module.firmware().Set(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, 6,
//       [](const sim::FwCommand& cmd, sim::FwAnswer& answer) {
//         answer.Packet().Event(8, {sim::FwTag::Int(0x78, MILL_TYPE_BYTE, 0)});
//       });
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace sim {

// A tag of a command the firmware received or sends.
struct FwTag {
  uint32_t id = 0;
  uint32_t type = 0;
  std::vector<uint8_t> data;

  // An integer of the type's base size (a Long for a List type), little-endian.
  static FwTag Int(uint32_t id, uint32_t type, uint32_t value);
  // Makes this tag that integer, in the buffer it already has.
  void SetInt(uint32_t id, uint32_t type, uint32_t value);
  static FwTag Bytes(uint32_t id, uint32_t type, std::vector<uint8_t> data);
  static FwTag Text(uint32_t id, const std::string& text);  // Byte, unit Char, with its 0 byte
  static FwTag ResultCode(uint32_t code);                   // RESULT_CODE, a Byte
  // The first element as an unsigned integer of the base size (0 when too short).
  uint32_t Value() const;
};

// One command the firmware received.
struct FwCommand {
  uint32_t session = 0;     // the sender's session handle
  uint8_t address[4] = {};  // the destination, each byte masked to the address width
  uint32_t facility = 0;
  uint32_t verb = 0;
  uint32_t code = 0;
  std::vector<FwTag> tags;    // for GET: ids only, type 0
  std::vector<uint8_t> data;  // DATA: the payload
  uint32_t data_bits = 0;
  uint32_t pkt_flags = 0;  // header flags of the packet that carried it (0x40 priority)

  const FwTag* Find(uint32_t id) const;
};

// One command the firmware sends.
struct FwReplyCommand {
  uint32_t facility = 0;  // 0: the facility of the command answered
  uint32_t verb = 0;
  uint32_t code = 0;
  std::vector<FwTag> tags;
  std::vector<uint8_t> data;  // DATA: the payload, `data_bits` long
  uint32_t data_bits = 0;
};

// One packet the firmware sends; `raw` (when not empty) goes out as it is, header and all.
struct FwPacket {
  std::vector<FwReplyCommand> commands;
  std::vector<uint8_t> raw;
  uint32_t delay_ms = 0;  // delivered this long after the command was received

  FwPacket& Event(uint32_t code, std::vector<FwTag> tags = {});
  FwPacket& Command(uint32_t verb, uint32_t code, std::vector<FwTag> tags = {});
  FwPacket& Data(uint32_t stream, std::vector<uint8_t> data);
  FwPacket& Facility(uint32_t facility);  // of the command added last
  // A command whose tags the caller sizes and fills in place: it takes over a command that this
  // packet held before Clear(), with the buffers of its tags, so that a handler answering alike
  // each time allocates nothing.
  FwReplyCommand& Add(uint32_t verb, uint32_t code);
  // Empties the packet, keeping its commands' buffers for Add.
  void Clear();

 private:
  std::vector<FwReplyCommand> spare_;
};

// An answer to a command that an earlier sender is still waiting for (a critical section granted
// when its holder lets it go): it goes to that sender, from the address the command was sent to.
struct FwLateAnswer {
  FwCommand to;
  FwPacket packet;
};

// What a handler answers: packets for the sender, in order, then late answers to others.
struct FwAnswer {
  std::vector<FwPacket> packets;
  std::vector<FwLateAnswer> late;
  // A new, empty packet: one that this answer held before Clear(), with its buffers.
  FwPacket& Packet();
  // Empties the answer for the next command, keeping its packets' buffers.
  void Clear();

 private:
  std::vector<FwPacket> spare_;
};

using FwHandler = std::function<void(const FwCommand&, FwAnswer&)>;

// Code that matches every code of a verb, facility that matches every facility.
constexpr uint32_t kAnyCode = 0xFFFFFFFF;
constexpr uint32_t kAnyFacility = 0xFFFFFFFF;

class FirmwareTable {
 public:
  // Replaces the handler of (facility, verb, code); a null handler makes the command unanswered.
  void Set(uint32_t facility, uint32_t verb, uint32_t code, FwHandler handler);
  // The handler for a command: the facility's own before the kAnyFacility ones, and within
  // each the exact code before kAnyCode.
  const FwHandler* Find(uint32_t facility, uint32_t verb, uint32_t code) const;

 private:
  std::map<std::tuple<uint32_t, uint32_t, uint32_t>, FwHandler> handlers_;
};

}  // namespace sim
