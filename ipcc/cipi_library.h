// What every host module library of the project shares behind its CIPI entry points: the
// configuration key records it reports, the check of an address key, its identity, the trace
// level it keeps and the copy of an event record into the framework's buffer. Header-only: each
// library is a shared object of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "callctrl/hostlib/cipi.h"

namespace cipi_library {

constexpr const char* kVendor = "Corvane Technology";

// Result codes the libraries share (0 success, 3 no event within the time limit).
constexpr int32_t kNotOpen = 1;
constexpr int32_t kBadArgument = 2;
constexpr int32_t kClosed = 4;

// A dotted IPv4 address with four numbers of 0..255, or nothing (every local address).
inline int ValidAddress(const char* value) {
  if (*value == '\0') return 1;
  unsigned parts[4];
  char tail = 0;
  if (std::sscanf(value, "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4) {
    return 0;
  }
  for (unsigned part : parts) {
    if (part > 255) return 0;
  }
  return 1;
}

inline CIPI_ConfigKey StringKey(const char* name, const char* fallback, CIPI_ValidateFn validate) {
  CIPI_ConfigKey key = {};
  std::snprintf(key.name, sizeof key.name, "%s", name);
  key.type = CIPI_KEY_STRING;
  std::snprintf(key.value.string_default, sizeof key.value.string_default, "%s", fallback);
  key.validate = validate;
  return key;
}

inline CIPI_ConfigKey IntegerKey(const char* name, uint32_t type, int32_t fallback, int32_t min,
                                 int32_t max, bool mandatory) {
  CIPI_ConfigKey key = {};
  std::snprintf(key.name, sizeof key.name, "%s", name);
  key.type = type;
  key.mandatory = mandatory ? 1 : 0;
  key.value.integer.default_value = fallback;
  key.value.integer.minimum = min;
  key.value.integer.maximum = max;
  return key;
}

// CIPI_QueryConfigurationKeys over a library's table of keys.
template <size_t N>
int32_t QueryKey(const CIPI_ConfigKey (&keys)[N], int32_t index, CIPI_ConfigKey* key) {
  if (index < 0 || static_cast<size_t>(index) >= N || !key) return -1;
  *key = keys[index];
  return 0;
}

// CIPI_QueryLibraryInfo: the vendor, the library's name and its version.
inline int32_t LibraryInfo(const char* name, const char* stack_version, char* vendor,
                           char* out_name, char* version) {
  if (!vendor || !out_name || !version) return kBadArgument;
  std::snprintf(vendor, CIPI_INFO_TEXT_SIZE, "%s", kVendor);
  std::snprintf(out_name, CIPI_INFO_TEXT_SIZE, "%s", name);
  std::snprintf(version, CIPI_INFO_TEXT_SIZE, "%s", stack_version);
  return 0;
}

// The trace level CIPI_SetTrace keeps: 0 (none) to 4 (everything).
inline int32_t TraceLevel(int32_t level) {
  return level < 0 ? 0 : level > 4 ? 4 : level;
}

// Copies an event record into the framework's buffer.
inline void Deliver(const std::vector<uint8_t>& record, void* event) {
  std::memcpy(event, record.data(),
              record.size() < CIPI_EVENT_SIZE ? record.size() : CIPI_EVENT_SIZE);
}

// Moves the first queued event into the framework's buffer: false when none is queued.
inline bool TakeEvent(std::deque<std::vector<uint8_t>>& events, void* event) {
  if (events.empty()) return false;
  Deliver(events.front(), event);
  events.pop_front();
  return true;
}

// When a CIPI_GetEvent waiting `timeout_ms` (negative: not at all) gives up.
inline std::chrono::steady_clock::time_point Deadline(int32_t timeout_ms) {
  return std::chrono::steady_clock::now() +
         std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
}

// The texts of the shared result codes; nullptr for a library's own.
inline const char* SharedErrorString(int32_t code) {
  switch (code) {
    case 0:
      return "success";
    case kNotOpen:
      return "library not open";
    case kBadArgument:
      return "bad argument";
    case CIPI_EVENT_TIMEOUT:
      return "no event";
    case kClosed:
      return "library closed";
    default:
      return nullptr;
  }
}

}  // namespace cipi_library
