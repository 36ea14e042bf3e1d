#include "sim/packet_form.h"

#include <cstring>

#include "packet/command_reader.h"
#include "vtx.h"

namespace sim {

void FormPacket(const FwPacket& packet, const uint8_t dest[4], const uint8_t src[4],
                uint32_t facility, std::vector<uint8_t>& out) {
  if (!packet.raw.empty()) {
    out = packet.raw;
    return;
  }
  std::vector<uint8_t> commands;
  // Room for the largest command, kept per thread: clearing 32 KiB per reply would cost more
  // than the reply.
  thread_local std::vector<uint8_t> scratch(MILL_MAX_CMD_LEN + 2);
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
    std::vector<MillTagItem> items;
    for (const auto& tag : c.tags) {
      items.push_back({tag.id, tag.type, static_cast<uint32_t>(tag.data.size()), tag.data.data()});
    }
    items.push_back({0, 0, 0, nullptr});
    if (MillFormCmd(&args, items.data()) < 0) continue;
    commands.insert(commands.end(), scratch.begin(), scratch.begin() + args.cmd_len);
  }
  MillArgs header{};
  uint8_t head[MILL_HEADER_LEN];
  header.pkt_buf = head;
  header.pkt_saved = 1;  // the facility is byte 0 of the source
  header.cmd_len = static_cast<uint32_t>(commands.size());
  memcpy(header.dest_addr, dest, 4);
  memcpy(header.src_addr, src, 4);
  header.src_addr[0] = static_cast<uint8_t>(packet_facility);
  MillFormPktHeader(&header);
  out.assign(head, head + MILL_HEADER_LEN);
  out.insert(out.end(), commands.begin(), commands.end());
}

bool ReadCommands(const uint8_t* packet, size_t size, uint8_t dest[4],
                  std::vector<FwCommand>& commands) {
  vtx::packet::PacketReader reader(packet, size, true);
  vtx::packet::Command command;
  while (reader.Next(command)) {
    FwCommand received;
    received.facility = command.facility;
    received.verb = command.verb;
    received.code = command.code;
    received.pkt_flags = reader.flags();
    if (command.verb == MILL_VERB_DATA) {
      received.data.assign(command.body, command.body + command.body_len);
      received.data_bits = command.data_bits;
    } else {
      vtx::packet::Tag tag;
      for (auto tags = command.Tags(); tags.Next(tag);) {
        received.tags.push_back({tag.id, tag.type, {tag.data, tag.data + tag.data_len}});
      }
    }
    commands.push_back(std::move(received));
  }
  memcpy(dest, reader.dest_addr(), 4);
  return !reader.failed();
}

}  // namespace sim
