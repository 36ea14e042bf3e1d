// Reading received packets command by command, for the firmware side of the simulator and for
// anyone who wants a command's facility, verb, code and tags without keeping a MillArgs by hand.
// Built on the Mill parsing operations; parse errors are traced as they are.
//
//   vtx::packet::PacketReader packet(bytes, size);
//   vtx::packet::Command cmd;
//   while (packet.Next(cmd)) {
//     vtx::packet::Tag tag;
//     for (auto tags = cmd.Tags(); tags.Next(tag);) { ... tag.Int() ... }
//   }
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "vtx.h"

namespace vtx::packet {

class TagReader;

// One tag of a command or of a list; data points into the packet.
struct Tag {
  uint32_t id = 0;
  uint32_t type = 0;
  const uint8_t* data = nullptr;
  uint32_t data_len = 0;

  bool IsList() const { return (type & MILL_TYPE_BASE_MASK) == MILL_TYPE_LIST; }
  // The members of a List tag.
  TagReader Members() const;
  // Integer elements in order; false when there is none left or it cannot be read.
  class Elements {
   public:
    explicit Elements(const Tag& tag);
    bool Next(int32_t& value);

   private:
    MillArgs args_{};
  };
  Elements Ints() const { return Elements(*this); }
  // The first integer element, or `fallback` when there is none.
  int32_t Int(int32_t fallback = 0) const;
  // The data as text, without a final 0 byte.
  std::string Text() const;
};

// Walks the tags of a tag area (a command's, or a list's members).
class TagReader {
 public:
  TagReader(const uint8_t* area, uint32_t size, bool get_verb);
  // The next tag; false at the end or on a malformed tag (then failed() is true).
  bool Next(Tag& tag);
  bool failed() const { return failed_; }

 private:
  MillArgs args_{};
  bool failed_ = false;
};

// One command of a packet.
struct Command {
  uint32_t facility = 0;
  uint32_t verb = 0;
  uint32_t code = 0;              // mode, event or request; the stream for DATA
  uint32_t data_bits = 0;         // DATA only
  const uint8_t* body = nullptr;  // the tags (DATA: the data bytes)
  uint32_t body_len = 0;

  TagReader Tags() const { return TagReader(body, body_len, verb == MILL_VERB_GET); }
  // The first tag with this id at the top level.
  bool FindTag(uint32_t id, Tag& tag) const;
};

// Walks the commands of one packet.
class PacketReader {
 public:
  // `outgoing`: the packet was formed by the host (decides the facility in 7-bit mode).
  PacketReader(const uint8_t* packet, size_t size, bool outgoing = false);
  // The next command; false at the end or on a parse error (then failed() is true).
  bool Next(Command& command);
  bool failed() const { return failed_; }
  // The header as read, once Next has been called.
  const uint8_t* dest_addr() const { return args_.dest_addr; }
  const uint8_t* src_addr() const { return args_.src_addr; }
  uint32_t flags() const { return args_.pkt_flags; }

 private:
  MillArgs args_{};
  bool failed_ = false;
};

}  // namespace vtx::packet
