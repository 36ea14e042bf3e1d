// tarrowsip: a host module library that speaks SIP. It implements the CIPI entry points over
// the SIP stack of sip_stack.h: it reports its configuration keys, reads them through the
// framework's key callback when it opens, starts the stack on its own thread and hands the
// stack's events out through CIPI_GetEvent until it is closed.
#include <strings.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "callctrl/hostlib/cipi.h"
#include "callctrl/hostlib/cipi_events.h"
#include "ipcc/cipi_library.h"
#include "ipcc/tarrowsip/sip_stack.h"

#define CIPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* kVersion = "1.0";
constexpr const char* kStackName = "Tarrow SIP";
constexpr const char* kStackVersion = "1.0.0";

using namespace cipi_library;
constexpr int32_t kCannotListen = 7;

// The SIP transport: only UDP.
int ValidTransport(const char* value) {
  return strcasecmp(value, "udp") == 0 ? 1 : 0;
}

const CIPI_ConfigKey kKeys[] = {
    StringKey("local_address", "", ValidAddress),
    IntegerKey("sip_port", CIPI_KEY_UNSIGNED, 5060, 1, 65535, false),
    StringKey("transport", "udp", ValidTransport),
    IntegerKey("media_port_min", CIPI_KEY_UNSIGNED, 40000, 1024, 65535, false),
    IntegerKey("media_port_max", CIPI_KEY_UNSIGNED, 40999, 1024, 65535, false),
    StringKey("user_agent", kStackName, nullptr),
    IntegerKey("max_calls", CIPI_KEY_UNSIGNED, 4, 1, 1024, false),
};

// The events of the stack, first come, until the library closes.
class Library : public tarrowsip::StackOutput {
 public:
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  int32_t trace_level = 0;
  CIPI_TraceFn trace = nullptr;
  CIPI_ConfigKeyFn keys = nullptr;
  std::deque<std::vector<uint8_t>> events;
  std::mutex stack_mutex;  // the stack's start and stop against commands sent meanwhile
  tarrowsip::SipStack stack;

  void Event(uint32_t event, uint32_t call, const void* data, uint32_t length) override {
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

  void Trace(int level, const std::string& text) override {
    CIPI_TraceFn to = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (level <= trace_level) to = trace;
    }
    if (to) to(level, "tarrowsip: %s", text.c_str());
  }
};

Library& State() {
  static Library library;
  return library;
}

// A key's value from the framework; `fallback` when it holds none.
std::string KeyText(CIPI_ConfigKeyFn keys, const char* name, const char* fallback) {
  char value[CIPI_INFO_TEXT_SIZE];
  int32_t size = sizeof value;
  if (keys && keys(name, &size, value) == 1) return value;
  return fallback;
}

long KeyNumber(CIPI_ConfigKeyFn keys, const char* name, long fallback, long min, long max) {
  const std::string text = KeyText(keys, name, "");
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < min || value > max) return fallback;
  return value;
}

tarrowsip::Settings ReadSettings(CIPI_ConfigKeyFn keys) {
  tarrowsip::Settings settings;
  settings.address = KeyText(keys, "local_address", "");
  if (!ValidAddress(settings.address.c_str())) settings.address.clear();
  settings.port = static_cast<uint16_t>(KeyNumber(keys, "sip_port", 5060, 1, 65535));
  settings.media_port_min =
      static_cast<uint16_t>(KeyNumber(keys, "media_port_min", 40000, 1024, 65535));
  settings.media_port_max = static_cast<uint16_t>(
      KeyNumber(keys, "media_port_max", 40999, settings.media_port_min, 65535));
  settings.user_agent = KeyText(keys, "user_agent", kStackName);
  settings.max_calls = static_cast<uint32_t>(KeyNumber(keys, "max_calls", 4, 1, 1024));
  return settings;
}

}  // namespace

CIPI_EXPORT int32_t CIPI_QueryConfigurationKeys(int32_t index, CIPI_ConfigKey* key) {
  return cipi_library::QueryKey(kKeys, index, key);
}

CIPI_EXPORT int32_t CIPI_SetTrace(int32_t level) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().trace_level = cipi_library::TraceLevel(level);
  return 0;
}

CIPI_EXPORT int32_t CIPI_OpenLibrary(CIPI_TraceFn trace, CIPI_ConfigKeyFn keys, int32_t,
                                     char* version) {
  Library& lib = State();
  std::lock_guard<std::mutex> stack_lock(lib.stack_mutex);
  lib.stack.Stop();
  const tarrowsip::Settings settings = ReadSettings(keys);
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.trace = trace;
    lib.keys = keys;
    lib.events.clear();
    lib.open = true;
  }
  std::string why;
  if (!lib.stack.Start(settings, lib, why)) {
    lib.Trace(1, why);
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.open = false;
    return kCannotListen;
  }
  if (version) std::snprintf(version, CIPI_INFO_TEXT_SIZE, "%s", kVersion);
  lib.Trace(3, "listening on " + (settings.address.empty() ? "*" : settings.address) + ":" +
                   std::to_string(settings.port) + " udp");
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
    if (lib.changed.wait_until(lock, limit) == std::cv_status::timeout && lib.events.empty()) {
      return lib.open ? CIPI_EVENT_TIMEOUT : kClosed;
    }
  }
}

// A command is carried out on the stack thread and answered there by Event_CIPI_CommandDone.
CIPI_EXPORT int32_t CIPI_SendCommand(const void* command) {
  if (!command) return kBadArgument;
  CIPI_CommandHeader header;
  std::memcpy(&header, command, sizeof header);
  if (header.length > CIPI_EVENT_SIZE) return kBadArgument;
  Library& lib = State();
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (!lib.open) return kNotOpen;
  }
  const auto* bytes = static_cast<const uint8_t*>(command);
  std::lock_guard<std::mutex> stack_lock(lib.stack_mutex);
  lib.stack.Command(std::vector<uint8_t>(bytes, bytes + sizeof header + header.length));
  return 0;
}

// Settings take effect at the next open: the stack keeps its socket while calls may be up.
CIPI_EXPORT int32_t CIPI_ReconfigureLibrary(void) {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().open ? 0 : kNotOpen;
}

// Ends every call and stops the stack; a CIPI_GetEvent waiting returns kClosed.
CIPI_EXPORT int32_t CIPI_CloseLibrary(int32_t) {
  Library& lib = State();
  {
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.open = false;
    lib.events.clear();
  }
  lib.changed.notify_all();
  std::lock_guard<std::mutex> stack_lock(lib.stack_mutex);
  lib.stack.Stop();
  return 0;
}

CIPI_EXPORT const char* CIPI_GetErrorString(int32_t code) {
  if (const char* text = cipi_library::SharedErrorString(code)) return text;
  switch (code) {
    case tarrowsip::kNoSuchCall:
      return "no such call";
    case tarrowsip::kStackRefused:
      return "the SIP stack refused the command";
    case kCannotListen:
      return "cannot listen on the SIP address and port";
    default:
      return "unknown error";
  }
}

CIPI_EXPORT int32_t CIPI_CapabilityQuery(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  return std::snprintf(buffer, static_cast<size_t>(size), "sip,t38");
}

CIPI_EXPORT int32_t CIPI_GetStats(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  Library& lib = State();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return std::snprintf(buffer, static_cast<size_t>(size), "open=%d queued=%zu", lib.open ? 1 : 0,
                       lib.events.size());
}
