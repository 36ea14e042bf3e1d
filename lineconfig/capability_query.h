// The capability query of the final configuration: a facility's GET_CAPABILITIES request and
// the (tag id, value) pairs of its CAPABILITIES_LIST reply.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx {

constexpr uint32_t kMaxCapabilityPairs = 20;

struct CapabilityPair {
  uint32_t tag_id;  // 0 ends the list
  uint32_t value;
};

// `pairs` holds kMaxCapabilityPairs + 1 entries. Returns 0 with the list filled, 1 when the
// facility sent no list (or none in time), -1 with the record's result words set on failure.
int QueryCapabilities(VtxLine* line, uint32_t facility, CapabilityPair* pairs, int32_t prio,
                      VtxLineArgs* args);

}  // namespace vtx
