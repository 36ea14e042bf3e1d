// How forming and parsing operations report failure in the argument record.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::packet {

// A command or tag that cannot be formed: `line_status` and `message` at the error level. Returns
// -1.
int FormError(MillArgs* args, uint32_t line_status, const char* message);

// A format error in received bytes: `line_status` 21 and "Parse error on: <item>". Returns -1.
int ParseError(MillArgs* args, const char* item);

// Bytes of one element of an integer tag type (1, 2, 4), or 0 for a List.
inline uint32_t BaseSize(uint32_t tag_type) {
  static constexpr uint32_t kSizes[] = {1, 2, 4, 0};
  return kSizes[tag_type & MILL_TYPE_BASE_MASK];
}

}  // namespace vtx::packet
