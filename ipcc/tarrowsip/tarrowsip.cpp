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
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "callctrl/hostlib/cipi.h"
#include "callctrl/hostlib/cipi_events.h"
#include "ipcc/cipi_library.h"
#include "ipcc/tarrowsip/sip_stack.h"

namespace {

constexpr const char* kVersion = "1.0";
constexpr const char* kStackName = "Tarrow SIP";
constexpr const char* kStackVersion = "1.0.0";

using namespace cipi_library;
constexpr int32_t kCannotListen = 7;

constexpr int32_t kQueueFull = 8;

// The SIP transports listened on: "udp", "tcp" or both ("udp,tcp").
bool ReadTransports(const char* value, tarrowsip::Settings& settings) {
  settings.udp = strcasecmp(value, "udp") == 0 || strcasecmp(value, "udp,tcp") == 0;
  settings.tcp = strcasecmp(value, "tcp") == 0 || strcasecmp(value, "udp,tcp") == 0;
  return settings.udp || settings.tcp;
}

int ValidTransport(const char* value) {
  tarrowsip::Settings settings;
  return ReadTransports(value, settings) ? 1 : 0;
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

// The library's state and the stack that hands it events, until the library closes.
class Library : public cipi_library::LibraryState, public tarrowsip::StackOutput {
 public:
  std::mutex stack_mutex;  // the stack's start and stop against commands sent meanwhile
  tarrowsip::SipStack stack;

  void Event(uint32_t event, uint32_t call, const void* data, uint32_t length) override {
    Push(event, call, data, length);
  }

  void Trace(int level, const std::string& text) override {
    LibraryState::Trace(level, "tarrowsip", text);
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
  if (!ReadTransports(KeyText(keys, "transport", "udp").c_str(), settings)) settings.udp = true;
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

const cipi_library::Identity& cipi_library::ThisLibrary() {
  static const Identity identity{kStackName, kStackVersion,    "sip,t38",
                                 kKeys,      std::size(kKeys), &State()};
  return identity;
}

CIPI_EXPORT int32_t CIPI_OpenLibrary(CIPI_TraceFn trace, CIPI_ConfigKeyFn keys, int32_t,
                                     char* version) {
  Library& lib = State();
  std::lock_guard<std::mutex> stack_lock(lib.stack_mutex);
  lib.stack.Stop();
  const tarrowsip::Settings settings = ReadSettings(keys);
  lib.Open(trace, keys);
  std::string why;
  if (!lib.stack.Start(settings, lib, why)) {
    lib.Trace(1, why);
    lib.Close();
    return kCannotListen;
  }
  if (version) std::snprintf(version, CIPI_INFO_TEXT_SIZE, "%s", kVersion);
  lib.Trace(3, "listening on " + (settings.address.empty() ? "*" : settings.address) + ":" +
                   std::to_string(settings.port) + (settings.udp ? " udp" : "") +
                   (settings.tcp ? " tcp" : ""));
  return 0;
}

CIPI_EXPORT int32_t CIPI_GetEvent(int32_t timeout_ms, void* event) {
  return State().WaitEvent(timeout_ms, event);
}

// A command is carried out on the stack thread and answered there by Event_CIPI_CommandDone.
CIPI_EXPORT int32_t CIPI_SendCommand(const void* command) {
  if (!command) return kBadArgument;
  CIPI_CommandHeader header;
  std::memcpy(&header, command, sizeof header);
  if (header.length > CIPI_EVENT_SIZE) return kBadArgument;
  Library& lib = State();
  if (!lib.IsOpen()) return kNotOpen;
  const auto* bytes = static_cast<const uint8_t*>(command);
  std::lock_guard<std::mutex> stack_lock(lib.stack_mutex);
  return lib.stack.Command(std::vector<uint8_t>(bytes, bytes + sizeof header + header.length))
             ? 0
             : kQueueFull;
}

// Settings take effect at the next open: the stack keeps its socket while calls may be up.
CIPI_EXPORT int32_t CIPI_ReconfigureLibrary(void) {
  return State().IsOpen() ? 0 : kNotOpen;
}

// Ends every call and stops the stack; a CIPI_GetEvent waiting returns kClosed.
CIPI_EXPORT int32_t CIPI_CloseLibrary(int32_t) {
  Library& lib = State();
  lib.Close();
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
    case kQueueFull:
      return "too many commands waiting";
    default:
      return "unknown error";
  }
}

CIPI_EXPORT int32_t CIPI_GetStats(char* buffer, int32_t size) {
  if (!buffer || size <= 0) return -1;
  Library& lib = State();
  std::lock_guard<std::mutex> lock(lib.mutex);
  return std::snprintf(buffer, static_cast<size_t>(size), "open=%d queued=%zu", lib.open ? 1 : 0,
                       lib.events.size());
}
