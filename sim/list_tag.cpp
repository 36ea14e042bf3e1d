#include "sim/list_tag.h"

#include "sim/packet_form.h"
#include "vtx.h"

namespace sim {

FwTag ListTag(uint32_t id, const std::vector<FwTag>& members) {
  std::vector<uint8_t> data;
  for (const FwTag& member : members) {
    // A member's length varint, id and type take at most 9 bytes before its data.
    std::vector<uint8_t> formed(member.data.size() + 9);
    MillArgs args{};
    args.verb = MILL_VERB_EVENT;
    args.tag_id = member.id;
    args.tag_type = member.type;
    args.tag_data_len = static_cast<uint32_t>(member.data.size());
    args.tag_data_ptr = const_cast<uint8_t*>(member.data.data());
    args.tag_ptr = formed.data();
    if (MillFormTag(&args) < 0) continue;
    data.insert(data.end(), formed.begin(), formed.begin() + args.tag_len);
  }
  return FwTag::Bytes(id, MILL_TYPE_LIST, std::move(data));
}

namespace {

// The size of the packet that `packet` forms; the addresses do not change it.
size_t FormedSize(const FwPacket& packet) {
  const uint8_t address[4] = {};
  std::vector<uint8_t> formed;
  FormPacket(packet, address, address, 0, formed);
  return formed.size();
}

}  // namespace

void ListEvents(FwAnswer& answer, uint32_t code, std::vector<FwTag> tags) {
  FwPacket* packet = &answer.Packet().Event(code);
  for (FwTag& tag : tags) {
    std::vector<FwTag>& sent = packet->commands.back().tags;
    sent.push_back(std::move(tag));
    if (sent.size() > 1 && FormedSize(*packet) > MILL_RECEIVE_BUFFER) {
      FwTag moved = std::move(sent.back());
      sent.pop_back();
      packet = &answer.Packet().Event(code, {std::move(moved)});
    }
  }
}

}  // namespace sim
