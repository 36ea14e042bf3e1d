// A host module library for the tests: it records what the framework hands it (trace level, key
// callback, version buffer, the order of the calls) and answers CIPI_GetEvent as the test tells
// it. The test reaches the same instance through probe_state(), by opening the same path.
#include "tests/callctrl/hostmod/cipi_probe.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>

#include "callctrl/hostlib/cipi.h"

namespace {

ProbeState g_state;
std::mutex g_lock;
std::condition_variable g_changed;

void Note(const char* call) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_state.calls += call;
  g_state.calls += ' ';
}

}  // namespace

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

PROBE_EXPORT ProbeState* probe_state() {
  return &g_state;
}

PROBE_EXPORT std::mutex* probe_lock() {
  return &g_lock;
}

PROBE_EXPORT void probe_notify() {
  g_changed.notify_all();
}

PROBE_EXPORT int32_t CIPI_SetTrace(int32_t level) {
  g_state.trace_level = level;
  Note("SetTrace");
  return 0;
}

PROBE_EXPORT int32_t CIPI_OpenLibrary(CIPI_TraceFn trace, CIPI_ConfigKeyFn keys, int32_t,
                                      char* version) {
  Note("Open");
  g_state.keys = keys;
  if (keys != nullptr) {
    // The library's own key: asked for with room, one byte short, and an unknown name.
    char buffer[300];
    g_state.fit_size = sizeof buffer;
    g_state.fit_result = keys("module_library", &g_state.fit_size, buffer);
    g_state.fit_value = g_state.fit_result == 1 ? buffer : "";
    g_state.short_size = g_state.fit_result == 1 ? static_cast<int32_t>(strlen(buffer)) : 0;
    g_state.short_result = keys("module_library", &g_state.short_size, buffer);
    g_state.unknown_size = sizeof buffer;
    g_state.unknown_result = keys("no_such_key", &g_state.unknown_size, buffer);
  }
  if (trace != nullptr) trace(1, "probe opened with %d", 42);
  strcpy(version, "9.8");
  return g_state.open_result;
}

PROBE_EXPORT int32_t CIPI_QueryLibraryInfo(char* vendor, char* name, char* version) {
  strcpy(vendor, "Probe vendor");
  strcpy(name, "Probe stack");
  strcpy(version, "0.1");
  return 0;
}

PROBE_EXPORT int32_t CIPI_GetEvent(int32_t timeout_ms, void* event) {
  std::unique_lock<std::mutex> hold(g_lock);
  ++g_state.get_events;
  g_state.calls += "GetEvent ";
  g_changed.wait_for(hold, std::chrono::milliseconds(timeout_ms), [] {
    return g_state.closed || g_state.events_to_send > 0 || g_state.get_event_result != 3;
  });
  if (g_state.closed) return 5;
  if (g_state.events_to_send > 0) {
    --g_state.events_to_send;
    const uint32_t header[3] = {3, g_state.next_call++, 0};
    memcpy(event, header, sizeof header);
    return 0;
  }
  return g_state.get_event_result;
}

PROBE_EXPORT int32_t CIPI_CloseLibrary(int32_t) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_state.closed = true;
    g_state.calls += "Close ";
  }
  g_changed.notify_all();
  return 0;
}
