// The application's version words and their check against the library's own version.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::api {

// Version codes are interface * 100000 + version number (4800 for 4.8).
constexpr uint32_t VersionNumber(uint32_t code) {
  return code % 100000;
}
constexpr uint32_t InterfaceNumber(uint32_t code) {
  return code / 100000;
}

// Negative, zero or positive as `a` is earlier than, equal to or later than `b`: the version
// numbers decide, and the interface numbers when those are equal.
int CompareVersions(uint32_t a, uint32_t b);

// The oldest application version whose records the library still converts: 4.8, interface 1.
constexpr uint32_t kOldestApiVersion = 104800;

// The application's API version word. Threads of the library read it while the first call may
// still be settling an unset word, so it is read and written as a whole word. Inline: every
// operation reads it once, and a call across the library's own export table would cost more than
// the read.
inline uint32_t AppApiVersion() {
  return __atomic_load_n(&VtxAppApiVersion, __ATOMIC_RELAXED);
}

// Accepts (0) or refuses (1) the application's version words, `version` being the API version
// word as this call read it, tracing why on `line`'s log prefix. An application that never set
// them is taken to be of the library's own version, which `version` then holds.
int CheckAppVersion(const VtxLine* line, uint32_t& version);

}  // namespace vtx::api
