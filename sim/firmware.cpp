#include "sim/firmware.h"

#include "common.h"
#include "vtx.h"

namespace sim {

FwTag FwTag::Int(uint32_t id, uint32_t type, uint32_t value) {
  static constexpr size_t kSizes[] = {1, 2, 4, 4};
  FwTag tag{id, type, {}};
  for (size_t i = 0; i < kSizes[type & MILL_TYPE_BASE_MASK]; ++i) {
    tag.data.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  return tag;
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
  FwReplyCommand command;
  command.verb = verb;
  command.code = code;
  command.tags = std::move(tags);
  commands.push_back(std::move(command));
  return *this;
}

FwPacket& FwPacket::Data(uint32_t stream, std::vector<uint8_t> data) {
  FwReplyCommand command;
  command.verb = MILL_VERB_DATA;
  command.code = stream;
  command.data_bits = static_cast<uint32_t>(data.size() * 8);
  command.data = std::move(data);
  commands.push_back(std::move(command));
  return *this;
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
