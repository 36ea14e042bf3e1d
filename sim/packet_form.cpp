#include "sim/packet_form.h"

#include <cstring>

#include "os/thread_scratch.h"
#include "packet/command_reader.h"
#include "vtx.h"

namespace sim {

// Both write into buffers that their callers keep: once those have grown, nothing here allocates.
void FormPacket(const FwPacket& packet, const uint8_t dest[4], const uint8_t src[4],
                uint32_t facility, std::vector<uint8_t>& out) {
  if (!packet.raw.empty()) {
    out.assign(packet.raw.begin(), packet.raw.end());
    return;
  }
  // Room for the largest command, kept per thread: clearing 32 KiB per reply would cost more
  // than the reply.
  OS_THREAD_SCRATCH(std::vector<uint8_t>, scratch, (MILL_MAX_CMD_LEN + 2));
  OS_THREAD_SCRATCH(std::vector<MillTagItem>, items);
  out.resize(MILL_HEADER_LEN);
  uint32_t packet_facility = facility;
  for (size_t i = 0; i < packet.commands.size(); ++i) {
    const FwReplyCommand& c = packet.commands[i];
    if (i == 0 && c.facility != 0) packet_facility = c.facility;
    MillArgs args{};
    args.cmd_buf = scratch.data();
    args.verb = c.verb;
    args.code = c.code;
    args.data_bits = c.data_bits;
    args.tag_ptr = const_cast<uint8_t*>(c.data.data());
    items.clear();
    for (const auto& tag : c.tags) {
      items.push_back({tag.id, tag.type, static_cast<uint32_t>(tag.data.size()), tag.data.data()});
    }
    items.push_back({0, 0, 0, nullptr});
    if (MillFormCmd(&args, items.data()) < 0) continue;
    out.insert(out.end(), scratch.begin(), scratch.begin() + args.cmd_len);
  }
  MillArgs header{};
  uint8_t head[MILL_HEADER_LEN];
  header.pkt_buf = head;
  header.pkt_saved = 1;  // the facility is byte 0 of the source
  header.cmd_len = static_cast<uint32_t>(out.size() - MILL_HEADER_LEN);
  memcpy(header.dest_addr, dest, 4);
  memcpy(header.src_addr, src, 4);
  header.src_addr[0] = static_cast<uint8_t>(packet_facility);
  MillFormPktHeader(&header);
  memcpy(out.data(), head, MILL_HEADER_LEN);
}

bool ReadCommands(const uint8_t* packet, size_t size, uint8_t dest[4],
                  std::vector<FwCommand>& commands) {
  vtx::packet::PacketReader reader(packet, size, true);
  vtx::packet::Command command;
  size_t count = 0;
  while (reader.Next(command)) {
    // Filled in place over what the vector held before, tags and buffers included.
    if (count == commands.size()) commands.emplace_back();
    FwCommand& received = commands[count++];
    received.session = 0;
    memset(received.address, 0, sizeof received.address);
    received.facility = command.facility;
    received.verb = command.verb;
    received.code = command.code;
    received.pkt_flags = reader.flags();
    received.data_bits = 0;
    received.data.clear();
    size_t tags = 0;
    if (command.verb == MILL_VERB_DATA) {
      received.data.assign(command.body, command.body + command.body_len);
      received.data_bits = command.data_bits;
    } else {
      vtx::packet::Tag tag;
      for (auto walk = command.Tags(); walk.Next(tag);) {
        if (tags == received.tags.size()) received.tags.emplace_back();
        FwTag& kept = received.tags[tags++];
        kept.id = tag.id;
        kept.type = tag.type;
        kept.data.assign(tag.data, tag.data + tag.data_len);
      }
    }
    received.tags.resize(tags);
  }
  commands.resize(count);
  memcpy(dest, reader.dest_addr(), 4);
  return !reader.failed();
}

}  // namespace sim
