// Arbitrary header text through the name parser. The first byte chooses whether the text is
// read as the common header; every name installed must be found again by its code.
#include "trace/header_names.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char* path = (data[0] & 1) != 0 ? "fuzz/common.h" : "fuzz/facility.h";
  vtx::trace::NameTables names;
  const bool installed =
      vtx::trace::ParseHeaderText(path, reinterpret_cast<const char*>(data + 1), size - 1, names);
  if (!installed && names.facility_count != 0) abort();
  if (names.facility_count > vtx::trace::kFacilitySlots) abort();
  for (uint32_t facility = 0; facility < names.facility_count; ++facility) {
    for (int kind = 0; kind < 4; ++kind) {
      const auto& table = names.facilities[facility].tables[kind];
      if (table.size() > vtx::trace::kMaxCode) abort();
    }
  }
  return 0;
}
