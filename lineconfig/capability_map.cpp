#include "lineconfig/capability_map.h"

#include "api/line.h"
#include "common.h"
#include "fax.h"
#include "speech.h"

namespace vtx {
namespace {

template <size_t N>
constexpr CapabilityTag Tag(uint32_t id, const CapabilityBit (&bits)[N]) {
  return CapabilityTag{id, bits, N};
}
template <size_t N>
constexpr CapabilityMap Map(const CapabilityTag (&tags)[N]) {
  return CapabilityMap{tags, N};
}

constexpr CapabilityBit kSpeechFormats[] = {
    {0x4, 46, false},      {0x8, 47, false},      {0x10, 48, false},    {0x20, 49, false},
    {0x40, 51, false},     {0x80, 52, false},     {0x100, 53, false},   {0x200, 54, false},
    {0x400, 55, false},    {0x800, 56, false},    {0x1000, 57, false},  {0x2000, 58, false},
    {0x4000, 59, false},   {0x20000, 62, false},  {0x40000, 60, false}, {0x80000, 61, false},
    {0x200000, 64, false}, {0x400000, 63, false},
};
constexpr CapabilityBit kSpeechFeatures[] = {
    {0x1, 43, false}, {0x2, 44, false}, {0x4, 79, false}, {0x8, 45, false}};
constexpr CapabilityTag kSpeechTags[] = {Tag(SPEECH_CAP_FORMATS_VAR, kSpeechFormats),
                                         Tag(SPEECH_CAP_FEATURES_VAR, kSpeechFeatures)};

constexpr CapabilityBit kFaxFormats[] = {{0x1, 20, false}, {0x2, 23, false},  {0x4, 25, false},
                                         {0x8, 26, false}, {0x10, 36, false}, {0x20, 37, false}};
constexpr CapabilityBit kFaxFeatures[] = {
    {0x1, 14, false},     {0x2, 15, false},     {0x4, 16, false},     {0x8, 24, false},
    {0x10, 19, false},    {0x20, 22, false},    {0x40, 17, false},    {0x80, 27, false},
    {0x100, 28, false},   {0x200, 29, false},   {0x400, 30, false},   {0x800, 33, false},
    {0x1000, 34, false},  {0x2000, 35, false},  {0x4000, 38, false},  {0x8000, 41, false},
    {0x10000, 39, false}, {0x20000, 40, false}, {0x40000, 42, false}, {0x80000, 31, false},
};
constexpr CapabilityTag kFaxTags[] = {Tag(FAX_CAP_FORMATS_VAR, kFaxFormats),
                                      Tag(FAX_CAP_FEATURES_VAR, kFaxFeatures)};

constexpr CapabilityBit kSigDetBits[] = {{0x1, 65, false}, {0x2, 66, false}};
constexpr CapabilityTag kSigDetTags[] = {Tag(COMMON_CAPABILITIES_VAR, kSigDetBits)};

constexpr CapabilityBit kSigGenBits[] = {{0x1, 67, false}, {0x2, 68, false}, {0x4, 69, false}};
constexpr CapabilityTag kSigGenTags[] = {Tag(COMMON_CAPABILITIES_VAR, kSigGenBits)};

constexpr CapabilityBit kPpiBits[] = {{0x1, 72, false}};
constexpr CapabilityTag kPpiTags[] = {Tag(COMMON_CAPABILITIES_VAR, kPpiBits)};

// Bit 0x1 (the module clock may be set) is no capability; the final configuration reads it.
constexpr CapabilityBit kAdminBits[] = {{0x2, 77, false},  {0x4, 80, false},  {0x8, 81, true},
                                        {0x10, 82, false}, {0x20, 78, false}, {0x40, 70, false},
                                        {0x80, 71, false}};
constexpr CapabilityTag kAdminTags[] = {Tag(COMMON_CAPABILITIES_VAR, kAdminBits)};

constexpr CapabilityBit kTeleCtrlBits[] = {{0x1, 83, false}};
constexpr CapabilityTag kTeleCtrlTags[] = {Tag(COMMON_CAPABILITIES_VAR, kTeleCtrlBits)};

constexpr CapabilityBit kHardwareBits[] = {
    {0x1, 0, false},    {0x2, 1, false},    {0x4, 2, false},    {0x8, 3, false},
    {0x10, 6, false},   {0x20, 7, false},   {0x40, 8, false},   {0x80, 9, false},
    {0x100, 11, false}, {0x200, 10, false}, {0x400, 12, false}, {0x800, 5, false},
};
constexpr CapabilityTag kHardwareTags[] = {Tag(kHardwareWordTag, kHardwareBits)};

}  // namespace

const CapabilityMap kSpeechCapabilities = Map(kSpeechTags);
const CapabilityMap kFaxCapabilities = Map(kFaxTags);
const CapabilityMap kSigDetCapabilities = Map(kSigDetTags);
const CapabilityMap kSigGenCapabilities = Map(kSigGenTags);
const CapabilityMap kPpiCapabilities = Map(kPpiTags);
const CapabilityMap kAdminCapabilities = Map(kAdminTags);
const CapabilityMap kTeleCtrlCapabilities = Map(kTeleCtrlTags);
const CapabilityMap kHardwareCapabilities = Map(kHardwareTags);

void MapCapabilities(VtxLine* line, const CapabilityPair* pairs, const CapabilityMap& map,
                     bool regular_module) {
  for (size_t t = 0; t < map.count; ++t) {
    const CapabilityTag& tag = map.tags[t];
    const uint32_t value = PairValue(pairs, tag.tag_id);
    for (size_t b = 0; b < tag.count; ++b) {
      const CapabilityBit& bit = tag.bits[b];
      if ((value & bit.bit) != 0 && (regular_module || !bit.regular_only)) {
        SetCapability(line, bit.capability);
      }
    }
  }
}

uint32_t PairValue(const CapabilityPair* pairs, uint32_t tag_id) {
  uint32_t value = 0;
  for (const CapabilityPair* pair = pairs; pair->tag_id != 0; ++pair) {
    if (pair->tag_id == tag_id) value |= pair->value;
  }
  return value;
}

}  // namespace vtx
