// The largest files of the line configuration that are read: anything larger is not one of
// them, and is refused before a byte is read.
#pragma once

#include <cstdint>

namespace vtx {

// A user preference file: a few dozen keywords, with room for many comments.
constexpr uint64_t kUserConfigLimit = 1 << 20;
// A country parameter file: every country's record many times over.
constexpr uint64_t kCountryFileLimit = 1 << 20;

}  // namespace vtx
