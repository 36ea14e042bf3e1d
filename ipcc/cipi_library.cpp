// The CIPI entry points that every host module library of the project answers alike, from the
// identity, keys and state the library gives through ThisLibrary. Built into each library.
#include "ipcc/cipi_library.h"

using cipi_library::ThisLibrary;

CIPI_EXPORT int32_t CIPI_QueryConfigurationKeys(int32_t index, CIPI_ConfigKey* key) {
  const cipi_library::Identity& library = ThisLibrary();
  if (index < 0 || static_cast<size_t>(index) >= library.key_count || !key) return -1;
  *key = library.keys[index];
  return 0;
}

CIPI_EXPORT int32_t CIPI_SetTrace(int32_t level) {
  return ThisLibrary().state->SetTrace(level);
}

CIPI_EXPORT int32_t CIPI_QueryLibraryInfo(char* vendor, char* name, char* version) {
  if (!vendor || !name || !version) return cipi_library::kBadArgument;
  std::snprintf(vendor, CIPI_INFO_TEXT_SIZE, "%s", cipi_library::kVendor);
  std::snprintf(name, CIPI_INFO_TEXT_SIZE, "%s", ThisLibrary().name);
  std::snprintf(version, CIPI_INFO_TEXT_SIZE, "%s", ThisLibrary().version);
  return 0;
}

CIPI_EXPORT int32_t CIPI_CapabilityQuery(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  return std::snprintf(buffer, static_cast<size_t>(size), "%s", ThisLibrary().capabilities);
}
