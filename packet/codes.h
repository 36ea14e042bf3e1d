// The code tables of the packet format: facilities and, per facility, the names of its tags,
// modes, events and requests, with the generic codes that every facility shares. The packet
// decoder prints from these; the firmware definition headers in inc/ hold the same codes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::codes {

struct CodeName {
  uint32_t code;
  const char* name;
};

// A facility's names of one kind, in ascending code order.
struct NameTable {
  const CodeName* entries = nullptr;
  size_t count = 0;

  const CodeName* begin() const { return entries; }
  const CodeName* end() const { return entries + count; }
  const char* Find(uint32_t code) const;  // null when the table does not name the code
};

enum class Kind { kTag = 0, kMode = 1, kEvent = 2, kRequest = 3 };

struct FacilityCodes {
  uint32_t number;
  const char* name;
  const char* header;   // its definition header in inc/, null for NULL
  NameTable tables[4];  // by Kind

  const NameTable& Table(Kind kind) const { return tables[static_cast<int>(kind)]; }
};

// The assigned facilities in number order (NULL first).
struct FacilityList {
  const FacilityCodes* entries;
  size_t count;
  const FacilityCodes* begin() const { return entries; }
  const FacilityCodes* end() const { return entries + count; }
};
FacilityList Facilities();
const FacilityCodes* FindFacility(uint32_t number);  // null for an unassigned number
const FacilityCodes& Generic();

// Name of a code of a facility, or of the generic table when the facility does not name it;
// null when neither does.
const char* Name(uint32_t facility, Kind kind, uint32_t code);

const char* VerbName(uint32_t verb);  // NOTHING .. REQUEST, null outside 0-10
const char* UnitName(uint32_t unit);  // Unitless .. cBm for units 0-7

}  // namespace vtx::codes
