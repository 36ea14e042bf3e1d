// The decoder's names from the firmware definition headers: every "#define NAME number" line of
// a header names a code of the facility that the header defines with "MILL_FACILITY_<name>",
// by the name's ending ("_EVENT", "_REQUEST", "_MODE", "_VAR" or "_PAR"). The common header
// ("common.h") fills the generic tables from its "COMMON_" names.
#pragma once

#include <cstddef>
#include <string>

#include "trace/names.h"

namespace vtx::trace {

constexpr size_t kMaxHeaderFiles = 100;
constexpr uint32_t kResetFacilityCount = 19;

// Parses the text of one header named `path` into `names`: the facility entry it defines (or
// the generic entry for the common header) is replaced. Returns true when something was
// installed; a header without a facility changes nothing.
bool ParseHeaderText(const std::string& path, const char* text, size_t size, NameTables& names);
// The same for a file; false also when it cannot be read.
bool ParseHeaderFile(const std::string& path, NameTables& names);

// Rebuilds the decoder's names: resets the tables (all facilities but HOST_CTRL and ECC emptied,
// 19 facilities), adds the header files of `directory` to the list kept across calls (up to
// 100), parses every listed file and names facility 0 "NULL". Returns the number of headers
// that defined a facility, or -1 when the directory cannot be read (the listed headers are parsed
// anyway).
int LoadNames(const char* directory);

}  // namespace vtx::trace
