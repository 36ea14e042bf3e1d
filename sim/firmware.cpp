#include "sim/firmware.h"

#include "common.h"
#include "vtx.h"

namespace sim {

FwTag FwTag::Int(uint32_t id, uint32_t type, uint32_t value) {
  FwTag tag;
  tag.SetInt(id, type, value);
  return tag;
}

void FwTag::SetInt(uint32_t tag_id, uint32_t tag_type, uint32_t value) {
  static constexpr size_t kSizes[] = {1, 2, 4, 4};
  id = tag_id;
  type = tag_type;
  data.resize(kSizes[type & MILL_TYPE_BASE_MASK]);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(value >> (8 * i));
}

FwTag FwTag::Bytes(uint32_t id, uint32_t type, std::vector<uint8_t> data) {
  return FwTag{id, type, std::move(data)};
}

FwTag FwTag::Text(uint32_t id, const std::string& text) {
  FwTag tag{id, MILL_TYPE_BYTE | (MILL_UNIT_CHAR << MILL_TYPE_UNIT_SHIFT), {}};
  tag.data.assign(text.begin(), text.end());
  tag.data.push_back(0);
  return tag;
}

FwTag FwTag::ResultCode(uint32_t code) {
  return Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, code);
}

uint32_t FwTag::Value() const {
  static constexpr size_t kSizes[] = {1, 2, 4, 4};
  const size_t width = kSizes[type & MILL_TYPE_BASE_MASK];
  if (data.size() < width) return 0;
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(data[i]) << (8 * i);
  return value;
}

const FwTag* FwCommand::Find(uint32_t id) const {
  for (const auto& tag : tags) {
    if (tag.id == id) return &tag;
  }
  return nullptr;
}

FwPacket& FwPacket::Event(uint32_t code, std::vector<FwTag> tags) {
  return Command(MILL_VERB_EVENT, code, std::move(tags));
}

FwPacket& FwPacket::Command(uint32_t verb, uint32_t code, std::vector<FwTag> tags) {
  Add(verb, code).tags = std::move(tags);
  return *this;
}

FwPacket& FwPacket::Data(uint32_t stream, std::vector<uint8_t> data) {
  FwReplyCommand& command = Add(MILL_VERB_DATA, stream);
  command.data_bits = static_cast<uint32_t>(data.size() * 8);
  command.data = std::move(data);
  command.tags.clear();
  return *this;
}

FwReplyCommand& FwPacket::Add(uint32_t verb, uint32_t code) {
  if (spare_.empty()) {
    commands.emplace_back();
  } else {
    commands.push_back(std::move(spare_.back()));
    spare_.pop_back();
  }
  FwReplyCommand& command = commands.back();
  command.facility = 0;
  command.verb = verb;
  command.code = code;
  command.data.clear();
  command.data_bits = 0;
  return command;
}

void FwPacket::Clear() {
  while (!commands.empty()) {
    spare_.push_back(std::move(commands.back()));
    commands.pop_back();
  }
  raw.clear();
  delay_ms = 0;
}

FwPacket& FwAnswer::Packet() {
  if (spare_.empty()) {
    packets.emplace_back();
  } else {
    packets.push_back(std::move(spare_.back()));
    spare_.pop_back();
  }
  return packets.back();
}

void FwAnswer::Clear() {
  while (!packets.empty()) {
    packets.back().Clear();
    spare_.push_back(std::move(packets.back()));
    packets.pop_back();
  }
  late.clear();
}

FwPacket& FwPacket::Facility(uint32_t facility) {
  if (!commands.empty()) commands.back().facility = facility;
  return *this;
}

void FirmwareTable::Set(uint32_t facility, uint32_t verb, uint32_t code, FwHandler handler) {
  handlers_[{facility, verb, code}] = std::move(handler);
}

const FwHandler* FirmwareTable::Find(uint32_t facility, uint32_t verb, uint32_t code) const {
  for (uint32_t f : {facility, kAnyFacility}) {
    for (uint32_t c : {code, kAnyCode}) {
      auto found = handlers_.find({f, verb, c});
      if (found != handlers_.end()) return found->second ? &found->second : nullptr;
    }
  }
  return nullptr;
}

}  // namespace sim
