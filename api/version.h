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
// still be settling an unset word, so it is read and written as a whole word.
uint32_t AppApiVersion();

// Accepts (0) or refuses (1) the application's version words, tracing why on `line`'s log
// prefix. An application that never set them is taken to be of the library's own version.
int CheckAppVersion(const VtxLine* line);

}  // namespace vtx::api
