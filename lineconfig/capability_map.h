// How the values of a facility's CAPABILITIES_LIST become capability numbers of the line: per
// facility, which tag is read and which bit of its value stands for which capability.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lineconfig/capability_query.h"
#include "vtx.h"

namespace vtx {

struct CapabilityBit {
  uint32_t bit;
  uint32_t capability;
  bool regular_only;  // counts only on a regular module (one that exists and has bus type 1 or 2)
};

struct CapabilityTag {
  uint32_t tag_id;
  const CapabilityBit* bits;
  size_t count;
};

// The tags that one facility's reply is read for.
struct CapabilityMap {
  const CapabilityTag* tags;
  size_t count;
};

extern const CapabilityMap kSpeechCapabilities;
extern const CapabilityMap kFaxCapabilities;
extern const CapabilityMap kSigDetCapabilities;
extern const CapabilityMap kSigGenCapabilities;
extern const CapabilityMap kPpiCapabilities;
extern const CapabilityMap kAdminCapabilities;
extern const CapabilityMap kTeleCtrlCapabilities;
// The telephony hardware's port-type summary word, mapped as the value of a pair with the tag id
// kHardwareWordTag.
extern const CapabilityMap kHardwareCapabilities;
constexpr uint32_t kHardwareWordTag = 1;

// ADMIN CAPABILITIES bit that says the module clock may be set.
constexpr uint32_t kAdminTimeSetBit = 0x1;

// Sets the capabilities that the pairs (ended by a tag id 0) stand for; tags the map does not
// name are ignored.
void MapCapabilities(VtxLine* line, const CapabilityPair* pairs, const CapabilityMap& map,
                     bool regular_module);
// The OR of the values of every pair with `tag_id`.
uint32_t PairValue(const CapabilityPair* pairs, uint32_t tag_id);

}  // namespace vtx
