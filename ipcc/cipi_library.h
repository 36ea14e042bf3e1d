// What every host module library of the project shares behind its CIPI entry points: the
// configuration key records it reports, the check of an address key, its state while open (the
// framework's callbacks, the trace level and the events waiting for CIPI_GetEvent), and the
// entry points that every library answers alike (cipi_library.cpp, built into each library from
// what it tells about itself through ThisLibrary).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "callctrl/hostlib/cipi.h"
#include "callctrl/hostlib/cipi_events.h"

#define CIPI_EXPORT extern "C" __attribute__((visibility("default")))

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

// A library's state behind its entry points. `mutex` guards every field.
struct LibraryState {
  std::mutex mutex;
  std::condition_variable changed;  // an event was queued, or the library closed
  bool open = false;
  int32_t trace_level = 0;
  CIPI_TraceFn trace = nullptr;
  CIPI_ConfigKeyFn keys = nullptr;
  std::deque<std::vector<uint8_t>> events;  // first come, first handed out

  // CIPI_SetTrace.
  int32_t SetTrace(int32_t level) {
    std::lock_guard<std::mutex> lock(mutex);
    trace_level = TraceLevel(level);
    return 0;
  }

  // Opens with the framework's callbacks and no event waiting.
  void Open(CIPI_TraceFn trace_to, CIPI_ConfigKeyFn keys_from) {
    std::lock_guard<std::mutex> lock(mutex);
    trace = trace_to;
    keys = keys_from;
    events.clear();
    open = true;
  }

  // Closes and drops the waiting events: a CIPI_GetEvent waiting returns kClosed.
  void Close() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      open = false;
      events.clear();
    }
    changed.notify_all();
  }

  // Queues the record of `event` for `call` with `length` bytes of data; nothing once closed.
  void Push(uint32_t event, uint32_t call, const void* data, uint32_t length) {
    const CIPI_EventHeader header{event, call, length};
    std::vector<uint8_t> record(sizeof header + length);
    std::memcpy(record.data(), &header, sizeof header);
    if (length) std::memcpy(record.data() + sizeof header, data, length);
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (!open) return;
      events.push_back(std::move(record));
    }
    changed.notify_all();
  }

  // Traces "`name`: `text`" through the framework when `level` is wanted.
  void Trace(int32_t level, const char* name, const std::string& text) {
    CIPI_TraceFn to = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (level <= trace_level) to = trace;
    }
    if (to) to(level, "%s: %s", name, text.c_str());
  }

  // CIPI_GetEvent: the first queued event, or one `due` hands out, within `timeout_ms`. `due` is
  // called with the lock held as due(now, event, wake): it copies an event that is due into
  // `event` (true), or brings `wake` forward to when its next one will be.
  template <typename Due>
  int32_t WaitEvent(int32_t timeout_ms, void* event, Due due) {
    std::unique_lock<std::mutex> lock(mutex);
    if (!open) return kNotOpen;
    if (!event) return kBadArgument;
    const auto limit = Deadline(timeout_ms);
    for (;;) {
      if (!open) return kClosed;
      if (TakeEvent(events, event)) return 0;
      const auto now = std::chrono::steady_clock::now();
      auto wake = limit;
      if (due(now, event, wake)) return 0;
      if (now >= limit) return CIPI_EVENT_TIMEOUT;
      changed.wait_until(lock, wake);
    }
  }

  int32_t WaitEvent(int32_t timeout_ms, void* event) {
    using TimePoint = std::chrono::steady_clock::time_point;
    return WaitEvent(timeout_ms, event, [](TimePoint, void*, TimePoint&) { return false; });
  }

  bool IsOpen() {
    std::lock_guard<std::mutex> lock(mutex);
    return open;
  }
};

// What a library tells the shared entry points about itself.
struct Identity {
  const char* name;          // of the stack, in CIPI_QueryLibraryInfo
  const char* version;       // of the stack
  const char* capabilities;  // CIPI_CapabilityQuery's text
  const CIPI_ConfigKey* keys;
  size_t key_count;
  LibraryState* state;
};

// Defined by each library.
const Identity& ThisLibrary();

}  // namespace cipi_library
