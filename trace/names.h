// The names the packet decoder prints: per facility a display name and four name tables (tags,
// modes, events, requests) indexed by code, and the generic tables of the codes common to every
// facility. The built-in set comes from the packet code tables; loading the firmware definition
// headers of a directory replaces it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "packet/codes.h"

namespace vtx::trace {

constexpr uint32_t kFacilitySlots = 127;
constexpr uint32_t kMaxCode = 4096;  // codes of 4096 and more are never named

struct FacilityNames {
  std::string name;                    // empty: no entry
  std::vector<std::string> tables[4];  // by codes::Kind; an empty string names nothing

  const std::string* Find(codes::Kind kind, uint32_t code) const;
  void Clear();
};

class NameTables {
 public:
  // The facility's display name, or null when it has no entry.
  const char* Facility(uint32_t facility) const;
  // The facility's name of a code, else the generic one, else null.
  const char* Name(uint32_t facility, codes::Kind kind, uint32_t code) const;

  FacilityNames facilities[kFacilitySlots];
  FacilityNames generic;
  uint32_t facility_count = 0;  // entries at or beyond it do not count
};

// The tables built from the packet code tables.
std::shared_ptr<const NameTables> BuiltInNames();
// The tables the decoder uses now.
std::shared_ptr<const NameTables> CurrentNames();
void InstallNames(std::shared_ptr<const NameTables> names);

}  // namespace vtx::trace
