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
#include <iterator>
#include <mutex>
#include <vector>

#include "callctrl/hostlib/cipi.h"
#include "callctrl/hostlib/cipi_events.h"
#include "ipcc/cipi_library.h"
#include "ipcc/tarrowhm/event_script.h"

namespace {

constexpr const char* kVersion = "1.0";
constexpr const char* kStackName = "Tarrow host module";
constexpr const char* kStackVersion = "1.0.0";

using cipi_library::IntegerKey;
using cipi_library::kBadArgument;
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

// Its events: the answers to commands, and the script's.
struct Library : cipi_library::LibraryState {
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

void Trace(int32_t level, const std::string& text) {
  State().Trace(level, "tarrowhm", text);
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
      Trace(1, std::string(path) + ": cannot open the event script");
    }
    for (const std::string& error : errors) Trace(1, error);
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

const cipi_library::Identity& cipi_library::ThisLibrary() {
  static const Identity identity{kStackName, kStackVersion,    "sip,rtp,t38",
                                 kKeys,      std::size(kKeys), &State()};
  return identity;
}

CIPI_EXPORT int32_t CIPI_OpenLibrary(CIPI_TraceFn trace, CIPI_ConfigKeyFn keys, int32_t,
                                     char* version) {
  Library& lib = State();
  lib.Open(trace, keys);
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    ReadSettings(lib);
  }
  LoadScript(lib);
  if (version) std::snprintf(version, CIPI_INFO_TEXT_SIZE, "%s", kVersion);
  char text[128];
  std::snprintf(text, sizeof text, "open, local address \"%s\", sip port %d", lib.localAddress,
                lib.sipPort);
  Trace(3, text);
  return 0;
}

// The answers to commands first, then the script's next event once its delay has passed.
CIPI_EXPORT int32_t CIPI_GetEvent(int32_t timeout_ms, void* event) {
  using TimePoint = std::chrono::steady_clock::time_point;
  Library& lib = State();
  return lib.WaitEvent(timeout_ms, event, [&lib](TimePoint now, void* out, TimePoint& wake) {
    if (lib.nextScripted >= lib.script.size()) return false;
    if (lib.nextDue > now) {
      if (lib.nextDue < wake) wake = lib.nextDue;
      return false;
    }
    cipi_library::Deliver(lib.script[lib.nextScripted].record, out);
    if (++lib.nextScripted < lib.script.size()) {
      lib.nextDue = now + std::chrono::milliseconds(lib.script[lib.nextScripted].delay_ms);
    }
    return true;
  });
}

// Each command is carried out at once and answered by Event_CIPI_CommandDone for its call.
CIPI_EXPORT int32_t CIPI_SendCommand(const void* command) {
  if (!command) return kBadArgument;
  CIPI_CommandHeader header;
  std::memcpy(&header, command, sizeof header);
  Library& lib = State();
  if (!lib.IsOpen()) return kNotOpen;
  const CIPI_CommandResult result{header.command, 0};
  lib.Push(Event_CIPI_CommandDone, header.call, &result, sizeof result);
  CIPI_MediaDescription media;
  if (header.command == Command_CIPI_MediaAnswer && header.length >= sizeof media) {
    // Where the far end would send its fax: what a script's author checks against the board.
    std::memcpy(&media, static_cast<const uint8_t*>(command) + sizeof header, sizeof media);
    char text[96];
    std::snprintf(text, sizeof text, "media answer for call %u: %u.%u.%u.%u:%u", header.call,
                  media.address[0], media.address[1], media.address[2], media.address[3],
                  media.port);
    Trace(4, text);
  }
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
    lib.script.clear();
  }
  lib.Close();
  return 0;
}

CIPI_EXPORT const char* CIPI_GetErrorString(int32_t code) {
  const char* text = cipi_library::SharedErrorString(code);
  return text ? text : "unknown error";
}

CIPI_EXPORT int32_t CIPI_GetStats(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  Library& lib = State();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return std::snprintf(buffer, static_cast<size_t>(size), "open=%d queued=%zu scripted=%zu/%zu",
                       lib.open ? 1 : 0, lib.events.size(), lib.nextScripted, lib.script.size());
}
