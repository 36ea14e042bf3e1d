#include "packet/command_reader.h"

namespace vtx::packet {

namespace {
// A Mill reading result: true for an item, false at the end; an error also sets `failed`.
bool Stepped(int result, bool& failed) {
  if (result < 0) failed = true;
  return result > 0;
}
}  // namespace

Tag::Elements::Elements(const Tag& tag) {
  args_.tag_type = tag.type;
  args_.value_ptr = const_cast<uint8_t*>(tag.data);
  args_.value_len = tag.data_len;
}

bool Tag::Elements::Next(int32_t& value) {
  if (args_.value_len == 0 || args_.status != CV_STATUS_OK) return false;
  const int32_t read = MillGetTagInt(&args_);
  if (args_.status != CV_STATUS_OK) return false;
  value = read;
  return true;
}

int32_t Tag::Int(int32_t fallback) const {
  int32_t value;
  return Ints().Next(value) ? value : fallback;
}

std::string Tag::Text() const {
  uint32_t len = data_len;
  if (len > 0 && data[len - 1] == 0) --len;
  return std::string(reinterpret_cast<const char*>(data), len);
}

TagReader Tag::Members() const {
  return TagReader(data, IsList() ? data_len : 0, false);
}

TagReader::TagReader(const uint8_t* area, uint32_t size, bool get_verb) {
  args_.verb = get_verb ? MILL_VERB_GET : MILL_VERB_NOTHING;
  args_.tag_ptr = const_cast<uint8_t*>(area);
  args_.tags_left = area != nullptr ? size : 0;
}

bool TagReader::Next(Tag& tag) {
  if (failed_ || !Stepped(MillGetTag(&args_), failed_)) return false;
  tag.id = args_.tag_id;
  tag.type = args_.tag_type;
  tag.data = args_.tag_data_ptr;
  tag.data_len = args_.tag_data_len;
  return true;
}

bool Command::FindTag(uint32_t id, Tag& tag) const {
  TagReader tags = Tags();
  while (tags.Next(tag)) {
    if (tag.id == id) return true;
  }
  return false;
}

PacketReader::PacketReader(const uint8_t* packet, size_t size, bool outgoing) {
  args_.pkt_buf = const_cast<uint8_t*>(packet);
  args_.pkt_len = static_cast<uint32_t>(size);
  args_.outgoing = outgoing ? 1 : 0;
  failed_ = packet == nullptr || size > UINT32_MAX;
}

bool PacketReader::Next(Command& command) {
  if (failed_ || !Stepped(MillGetCmd(&args_), failed_)) return false;
  if (!Stepped(MillParseCmd(&args_), failed_)) return false;
  command.facility = args_.facility;
  command.verb = args_.verb;
  command.code = args_.code;
  command.data_bits = args_.data_bits;
  command.body = args_.tag_ptr;
  command.body_len = args_.tags_left;
  return true;
}

}  // namespace vtx::packet
