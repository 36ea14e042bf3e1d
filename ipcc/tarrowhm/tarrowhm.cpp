// tarrowhm: the project's own host module library. It implements the CIPI entry points: it
// reports its configuration keys, takes its settings through the framework's key callback when it
// opens, traces through the framework, and hands out events: those of its event script (the key
// "event_script"), each when its delay has passed, and the answer to each command it is sent,
// until it is closed.
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
#include "callctrl/hostlib/cipi_events.h"
#include "ipcc/cipi_library.h"
#include "ipcc/tarrowhm/event_script.h"

#define CIPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kVersion = "1.0";
constexpr const char* kStackName = "Tarrow host module";
constexpr const char* kStackVersion = "1.0.0";

using cipi_library::IntegerKey;
using cipi_library::kBadArgument;
using cipi_library::kClosed;
using cipi_library::kNotOpen;
using cipi_library::StringKey;
using cipi_library::ValidAddress;

const CIPI_ConfigKey kKeys[] = {
    StringKey("local_address", "", ValidAddress),
    StringKey("user_agent", kStackName, nullptr),
    IntegerKey("sip_port", CIPI_KEY_SIGNED, 5060, 1, 65535, true),
    IntegerKey("jitter_buffer_ms", CIPI_KEY_SIGNED, 60, 0, 500, false),
    IntegerKey("max_calls", CIPI_KEY_UNSIGNED, 64, 1, 1024, false),
    StringKey("event_script", "", nullptr),
};

struct Library {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  int32_t traceLevel = 0;
  CIPI_TraceFn trace = nullptr;
  CIPI_ConfigKeyFn keys = nullptr;
  std::deque<std::vector<uint8_t>> events;  // answers to commands, first come
  std::vector<tarrowhm::ScriptEvent> script;
  size_t nextScripted = 0;
  std::chrono::steady_clock::time_point nextDue;  // of script[nextScripted]
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

// Reads the event script named by the key "event_script"; its first event is due its delay after
// now. Bad lines are traced and skipped.
void LoadScript(Library& lib) {
  std::vector<tarrowhm::ScriptEvent> script;
  char path[CIPI_INFO_TEXT_SIZE];
  int32_t size = sizeof path;
  if (lib.keys && lib.keys("event_script", &size, path) == 1 && path[0] != '\0') {
    std::vector<std::string> errors;
    if (!tarrowhm::ReadScript(path, script, errors)) {
      char text[CIPI_INFO_TEXT_SIZE + 64];
      std::snprintf(text, sizeof text, "%s: cannot open the event script", path);
      Trace(1, text);
    }
    for (const std::string& error : errors) Trace(1, error.c_str());
  }
  std::lock_guard<std::mutex> lock(lib.mutex);
  lib.script = std::move(script);
  lib.nextScripted = 0;
  if (!lib.script.empty()) {
    lib.nextDue =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(lib.script.front().delay_ms);
  }
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
  return cipi_library::QueryKey(kKeys, index, key);
}

CIPI_EXPORT int32_t CIPI_SetTrace(int32_t level) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().traceLevel = cipi_library::TraceLevel(level);
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
  LoadScript(lib);
  if (version) std::snprintf(version, CIPI_INFO_TEXT_SIZE, "%s", kVersion);
  char text[128];
  std::snprintf(text, sizeof text, "open, local address \"%s\", sip port %d", lib.localAddress,
                lib.sipPort);
  Trace(3, text);
  return 0;
}

CIPI_EXPORT int32_t CIPI_QueryLibraryInfo(char* vendor, char* name, char* version) {
  return cipi_library::LibraryInfo(kStackName, kStackVersion, vendor, name, version);
}

CIPI_EXPORT int32_t CIPI_GetEvent(int32_t timeout_ms, void* event) {
  Library& lib = State();
  std::unique_lock<std::mutex> lock(lib.mutex);
  if (!lib.open) return kNotOpen;
  if (!event) return kBadArgument;
  const auto limit = cipi_library::Deadline(timeout_ms);
  for (;;) {
    if (!lib.open) return kClosed;
    if (cipi_library::TakeEvent(lib.events, event)) return 0;
    const auto now = std::chrono::steady_clock::now();
    const bool scripted = lib.nextScripted < lib.script.size();
    if (scripted && lib.nextDue <= now) {
      cipi_library::Deliver(lib.script[lib.nextScripted].record, event);
      if (++lib.nextScripted < lib.script.size()) {
        lib.nextDue = now + std::chrono::milliseconds(lib.script[lib.nextScripted].delay_ms);
      }
      return 0;
    }
    if (now >= limit) return CIPI_EVENT_TIMEOUT;
    lib.changed.wait_until(lock, scripted && lib.nextDue < limit ? lib.nextDue : limit);
  }
}

// Each command is carried out at once and answered by Event_CIPI_CommandDone for its call.
CIPI_EXPORT int32_t CIPI_SendCommand(const void* command) {
  if (!command) return kBadArgument;
  CIPI_CommandHeader header;
  std::memcpy(&header, command, sizeof header);
  Library& lib = State();
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (!lib.open) return kNotOpen;
    const CIPI_EventHeader done{Event_CIPI_CommandDone, header.call, sizeof(CIPI_CommandResult)};
    const CIPI_CommandResult result{header.command, 0};
    std::vector<uint8_t> record(sizeof done + sizeof result);
    std::memcpy(record.data(), &done, sizeof done);
    std::memcpy(record.data() + sizeof done, &result, sizeof result);
    lib.events.push_back(std::move(record));
  }
  lib.changed.notify_all();
  Trace(4, "command carried out");
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
    lib.script.clear();
  }
  lib.changed.notify_all();
  return 0;
}

CIPI_EXPORT const char* CIPI_GetErrorString(int32_t code) {
  const char* text = cipi_library::SharedErrorString(code);
  return text ? text : "unknown error";
}

CIPI_EXPORT int32_t CIPI_CapabilityQuery(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  return std::snprintf(buffer, static_cast<size_t>(size), "sip,rtp,t38");
}

CIPI_EXPORT int32_t CIPI_GetStats(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  Library& lib = State();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return std::snprintf(buffer, static_cast<size_t>(size), "open=%d queued=%zu scripted=%zu/%zu",
                       lib.open ? 1 : 0, lib.events.size(), lib.nextScripted, lib.script.size());
}
