// The line settings and country parameters as the firmware variables of each facility: the tag
// lists that the final configuration sends, one SET command per list.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vtx.h"

namespace vtx {

// Tag types of the settings: base size, unit and sign.
constexpr uint32_t TagType(uint32_t base, uint32_t unit) {
  return base | (unit << MILL_TYPE_UNIT_SHIFT);
}
constexpr uint32_t kTypeByte = MILL_TYPE_BYTE;
constexpr uint32_t kTypeBool = TagType(MILL_TYPE_BYTE, MILL_UNIT_BOOLEAN);
constexpr uint32_t kTypeByteMs = TagType(MILL_TYPE_BYTE, MILL_UNIT_MSEC);
constexpr uint32_t kTypeByteCb = TagType(MILL_TYPE_BYTE, MILL_UNIT_CBELLS);
constexpr uint32_t kTypeShort = MILL_TYPE_SHORT;
constexpr uint32_t kTypeShortMs = TagType(MILL_TYPE_SHORT, MILL_UNIT_MSEC);
constexpr uint32_t kTypeShortHz = TagType(MILL_TYPE_SHORT, MILL_UNIT_HZ);
constexpr uint32_t kTypeShortCbm = TagType(MILL_TYPE_SHORT, MILL_UNIT_CBM) | MILL_TYPE_SIGNED;
constexpr uint32_t kTypeLong = MILL_TYPE_LONG;
constexpr uint32_t kTypeLongMs = TagType(MILL_TYPE_LONG, MILL_UNIT_MSEC);

// Integer tags carried in their items' data words, ended by a tag id 0.
class TagList {
 public:
  static constexpr size_t kMaxTags = 24;
  // A value of the tag's base size: its low bytes (two's complement for a negative value).
  void Add(uint32_t id, uint32_t type, int32_t value);
  const MillTagItem* items() const { return items_; }
  size_t size() const { return count_; }

 private:
  MillTagItem items_[kMaxTags + 1] = {};
  size_t count_ = 0;
};

// SPEECH: PLAY_GAIN_MODIFIER, sent on its own before the rest.
TagList PlayGainSetting(const VtxLine& line);
TagList SpeechSettings(const VtxLine& line);
// SPEECH UNDERRUN_CTRL, sent on its own when the setting is not 0.
TagList UnderrunSetting(const VtxLine& line);
TagList FaxSettings(const VtxLine& line);
TagList SigDetSettings(const VtxLine& line);
TagList SigGenSettings(const VtxLine& line);

// Sends the tags to `facility` of the line in one command: a SET, or the REQUEST `code`. False
// when the send was refused: the `reset_status` bit, and the result words of the send in `args`.
bool SendSettings(VtxLine* line, uint32_t facility, const TagList& tags, VtxLineArgs* args);
bool SendRequest(VtxLine* line, uint32_t facility, uint32_t code, const TagList& tags,
                 VtxLineArgs* args);

}  // namespace vtx
