#include "packet/version_report.h"

#include <cstring>

#include "admin.h"
#include "api/line.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

uint32_t BaseType(const Tag& tag) {
  return tag.type & MILL_TYPE_BASE_MASK;
}

bool IsCharUnit(const Tag& tag) {
  return ((tag.type & MILL_TYPE_UNIT_MASK) >> MILL_TYPE_UNIT_SHIFT) == MILL_UNIT_CHAR;
}

void Warn(const VtxLine* line, const char* text) {
  trace::Message(line, trace::kLevelInfo, "%s", text);
}

// A Byte member of one character each: `size_warning` when it is not Byte, `char_warning` when
// its unit is not Char; else the text, stopped at a 0 byte and at the data length.
void ReadText(const VtxLine* line, const Tag& tag, char* field, size_t size,
              const char* size_warning, const char* char_warning) {
  if (BaseType(tag) != MILL_TYPE_BYTE) {
    Warn(line, size_warning);
    return;
  }
  if (!IsCharUnit(tag)) {
    Warn(line, char_warning);
    return;
  }
  // A text that fills the field keeps its last byte for the terminating 0.
  size_t length = 0;
  while (length < tag.data_len && length + 1 < size && tag.data[length] != 0) ++length;
  memset(field, 0, size);
  memcpy(field, tag.data, length);
}

bool ReadByte(const VtxLine* line, const Tag& tag, uint8_t* field, const char* warning) {
  if (BaseType(tag) != MILL_TYPE_BYTE) {
    Warn(line, warning);
    return false;
  }
  *field = static_cast<uint8_t>(tag.Int());
  return true;
}

}  // namespace

void ReadVersionList(const VtxLine* line, const Tag& list, FirmwareVersion* version,
                     DspLoadMask* mask) {
  TagReader members = list.Members();
  Tag tag;
  while (members.Next(tag)) {
    switch (tag.id) {
      case ADMIN_VER_MAJOR_VAR:
        ReadByte(line, tag, &version->major, "Warning - MAJOR parameter size should be BYTE.");
        break;
      case ADMIN_VER_MIDDLE_VAR:
        ReadByte(line, tag, &version->middle, "Warning - MIDDLE parameter size should be BYTE.");
        break;
      case ADMIN_VER_MINOR_VAR:
        ReadByte(line, tag, &version->minor, "Warning - MINOR parameter size should be BYTE.");
        break;
      case ADMIN_VER_BUILD_VAR:
        ReadByte(line, tag, &version->build, "Warning - BUILD parameter size should be BYTE.");
        break;
      case ADMIN_VER_DATE_VAR:
        ReadText(line, tag, version->date, sizeof version->date,
                 "Warning - DATE parameter size should be BYTE.",
                 "Warning - DATE parameter should be CHARACTER.");
        break;
      case ADMIN_VER_COMMENT_VAR:
        ReadText(line, tag, version->comment, sizeof version->comment,
                 "Warning - COMMENT parameter size should be BYTE.",
                 "Warning - COMMENT parameter should be CHARACTER.");
        break;
      case ADMIN_VER_AUTO_NUM_VAR:
        if (BaseType(tag) != MILL_TYPE_SHORT) {
          Warn(line, "Warning - AUTO_NUM parameter size should be SHORT.");
        } else {
          version->auto_num = static_cast<uint16_t>(tag.Int());
        }
        break;
      case ADMIN_DSP_LOAD_MASK_VAR:
        // A mask of another size is still a mask: its bytes are used as they are.
        if (BaseType(tag) != MILL_TYPE_BYTE) {
          Warn(line, "Warning - DSP_LOAD_MASK parameter size should be BYTE.");
        }
        if (mask != nullptr) {
          mask->length = tag.data_len < kMaxDspMask ? tag.data_len : kMaxDspMask;
          memcpy(mask->bytes, tag.data, mask->length);
          mask->present = true;
        }
        break;
      default:
        break;
    }
  }
}

void StoreDspVersion(VtxLine* line, const FirmwareVersion& version, const DspLoadMask& mask) {
  if (!mask.present) {
    line->firmware.dsp_ver[0] = version;
    line->firmware.dsp_count = 1;
    return;
  }
  for (uint32_t k = 0; k < mask.length && 8 * k < VTX_MAX_DSPS; ++k) {
    for (uint32_t j = 0; j < 8; ++j) {
      const uint32_t slot = 8 * k + j;
      if ((mask.bytes[k] & (1u << j)) == 0 || slot >= VTX_MAX_DSPS) continue;
      line->firmware.dsp_ver[slot] = version;
      if (line->firmware.dsp_count < static_cast<int32_t>(slot + 1))
        line->firmware.dsp_count = slot + 1;
    }
  }
}

}  // namespace vtx::packet
