// What the steps of one final configuration share: the line, the record, and the flags that
// earlier steps leave for later ones.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "lineconfig/capability_map.h"
#include "lineconfig/capability_query.h"
#include "lineconfig/facility_settings.h"
#include "vtx.h"

namespace vtx {

struct FinalConfigRun {
  VtxLine* line;
  VtxLineArgs* args;
  bool regular_module = true;           // the module exists and has bus type 1 or 2
  bool skip_facility_settings = false;  // a module line of a module without channels

  // Whether settings go to the firmware (`no_init` 0) or only the capabilities are learnt.
  bool sending() const { return args->no_init == 0; }
  // Whether the address {facility, 1, module, unit} of the line's module exists.
  bool ModuleAddressExists(uint8_t facility) const;
  // Whether the line's own address with `facility` exists.
  bool FacilityPresent(uint32_t facility) const;
  // The facility's capability reply into `pairs` (kMaxCapabilityPairs + 1 entries): 0 a list,
  // 1 none, -1 failure with the record's result words set.
  int Query(uint32_t facility, CapabilityPair* pairs, int32_t prio = 0) const;
  // Queries the facility, sets the capabilities `always`, and maps the list through `map`, or
  // sets `without_list` when there is none. Returns as Query.
  int Discover(uint32_t facility, const CapabilityMap& map,
               std::initializer_list<uint32_t> always = {},
               std::initializer_list<uint32_t> without_list = {}, CapabilityPair* pairs = nullptr,
               int32_t prio = 0) const;
  // Sends the settings to `facility` unless settings are not sent: 0, or -1 when refused.
  int Send(uint32_t facility, const TagList& tags) const;
};

// The facilities of a channel line: capabilities, settings and the fax local identifier.
// 0, or -1 with the record's result words set.
int ConfigureChannelFacilities(FinalConfigRun& run);

// A module line's hardware capabilities and fonts.
void ConfigureModuleLine(FinalConfigRun& run);

}  // namespace vtx
