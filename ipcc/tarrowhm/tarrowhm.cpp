// tarrowhm: the project's own host module library. It implements the CIPI entry points: it
// reports its configuration keys, takes its settings through the framework's key callback when it
// opens, traces through the framework, and hands out events from a queue that commands fill
// (each command is answered by an event echoing it), until it is closed.
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "callctrl/hostlib/cipi.h"

#define CIPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kVersion = "1.0";
constexpr const char* kVendor = "Corvane Technology";
constexpr const char* kStackName = "Tarrow host module";
constexpr const char* kStackVersion = "1.0.0";

// Result codes (0 success, 3 no event within the time limit).
constexpr int32_t kNotOpen = 1;
constexpr int32_t kBadArgument = 2;
constexpr int32_t kClosed = 4;

// A dotted IPv4 address with four numbers of 0..255, or nothing (any local address).
int ValidAddress(const char* value) {
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

CIPI_ConfigKey StringKey(const char* name, const char* fallback, CIPI_ValidateFn validate) {
  CIPI_ConfigKey key = {};
  std::snprintf(key.name, sizeof key.name, "%s", name);
  key.type = CIPI_KEY_STRING;
  std::snprintf(key.value.string_default, sizeof key.value.string_default, "%s", fallback);
  key.validate = validate;
  return key;
}

CIPI_ConfigKey IntegerKey(const char* name, uint32_t type, int32_t fallback, int32_t min,
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

const CIPI_ConfigKey* Keys(size_t* count) {
  static const CIPI_ConfigKey keys[] = {
      StringKey("local_address", "", ValidAddress),
      StringKey("user_agent", kStackName, nullptr),
      IntegerKey("sip_port", CIPI_KEY_SIGNED, 5060, 1, 65535, true),
      IntegerKey("jitter_buffer_ms", CIPI_KEY_SIGNED, 60, 0, 500, false),
      IntegerKey("max_calls", CIPI_KEY_UNSIGNED, 64, 1, 1024, false),
  };
  *count = sizeof keys / sizeof keys[0];
  return keys;
}

struct Library {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  int32_t traceLevel = 0;
  CIPI_TraceFn trace = nullptr;
  CIPI_ConfigKeyFn keys = nullptr;
  std::deque<std::vector<unsigned char>> events;
  char localAddress[64] = "";
  int32_t sipPort = 5060;
};

Library& State() {
  static Library library;
  return library;
}

// Traces through the framework when the level is wanted.
void Trace(int32_t level, const char* text) {
  Library& lib = State();
  if (lib.trace && level <= lib.traceLevel) lib.trace(level, "tarrowhm: %s", text);
}

// Takes the settings the framework holds for this host module; keys it does not know keep their
// defaults.
void ReadSettings(Library& lib) {
  if (!lib.keys) return;
  char value[64];
  int32_t size = sizeof value;
  if (lib.keys("local_address", &size, value) == 1 && ValidAddress(value)) {
    std::snprintf(lib.localAddress, sizeof lib.localAddress, "%s", value);
  }
  size = sizeof value;
  if (lib.keys("sip_port", &size, value) == 1) lib.sipPort = std::atoi(value);
}

}  // namespace

CIPI_EXPORT int32_t CIPI_QueryConfigurationKeys(int32_t index, CIPI_ConfigKey* key) {
  size_t count = 0;
  const CIPI_ConfigKey* keys = Keys(&count);
  if (index < 0 || static_cast<size_t>(index) >= count || !key) return -1;
  *key = keys[index];
  return 0;
}

CIPI_EXPORT int32_t CIPI_SetTrace(int32_t level) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().traceLevel = level < 0 ? 0 : level > 4 ? 4 : level;
  return 0;
}

CIPI_EXPORT int32_t CIPI_OpenLibrary(CIPI_TraceFn trace, CIPI_ConfigKeyFn keys, int32_t,
                                     char* version) {
  Library& lib = State();
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.trace = trace;
    lib.keys = keys;
    lib.events.clear();
    ReadSettings(lib);
    lib.open = true;
  }
  if (version) std::snprintf(version, CIPI_INFO_TEXT_SIZE, "%s", kVersion);
  char text[128];
  std::snprintf(text, sizeof text, "open, local address \"%s\", sip port %d", lib.localAddress,
                lib.sipPort);
  Trace(3, text);
  return 0;
}

CIPI_EXPORT int32_t CIPI_QueryLibraryInfo(char* vendor, char* name, char* version) {
  if (!vendor || !name || !version) return kBadArgument;
  std::snprintf(vendor, CIPI_INFO_TEXT_SIZE, "%s", kVendor);
  std::snprintf(name, CIPI_INFO_TEXT_SIZE, "%s", kStackName);
  std::snprintf(version, CIPI_INFO_TEXT_SIZE, "%s", kStackVersion);
  return 0;
}

CIPI_EXPORT int32_t CIPI_GetEvent(int32_t timeout_ms, void* event) {
  Library& lib = State();
  std::unique_lock<std::mutex> lock(lib.mutex);
  if (!lib.open) return kNotOpen;
  auto limit = std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  lib.changed.wait_for(lock, limit, [&] { return !lib.events.empty() || !lib.open; });
  if (!lib.open) return kClosed;
  if (lib.events.empty()) return CIPI_EVENT_TIMEOUT;
  const std::vector<unsigned char>& next = lib.events.front();
  std::memcpy(event, next.data(), next.size() < CIPI_EVENT_SIZE ? next.size() : CIPI_EVENT_SIZE);
  lib.events.pop_front();
  return 0;
}

// A command is answered by an event carrying the command's first bytes back.
CIPI_EXPORT int32_t CIPI_SendCommand(const void* command) {
  if (!command) return kBadArgument;
  Library& lib = State();
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (!lib.open) return kNotOpen;
    std::vector<unsigned char> event(64);
    std::memcpy(event.data(), command, event.size());
    lib.events.push_back(std::move(event));
  }
  lib.changed.notify_all();
  Trace(4, "command queued");
  return 0;
}

CIPI_EXPORT int32_t CIPI_ReconfigureLibrary(void) {
  Library& lib = State();
  std::lock_guard<std::mutex> lock(lib.mutex);
  if (!lib.open) return kNotOpen;
  ReadSettings(lib);
  return 0;
}

CIPI_EXPORT int32_t CIPI_CloseLibrary(int32_t) {
  Library& lib = State();
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.open = false;
    lib.events.clear();
  }
  lib.changed.notify_all();
  return 0;
}

CIPI_EXPORT const char* CIPI_GetErrorString(int32_t code) {
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
      return "unknown error";
  }
}

CIPI_EXPORT int32_t CIPI_CapabilityQuery(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  return std::snprintf(buffer, static_cast<size_t>(size), "sip,rtp,t38");
}

CIPI_EXPORT int32_t CIPI_GetStats(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  Library& lib = State();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return std::snprintf(buffer, static_cast<size_t>(size), "open=%d queued=%zu", lib.open ? 1 : 0,
                       lib.events.size());
}
