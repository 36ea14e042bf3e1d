#include "callctrl/hostmod/library_run.h"

#include <ace/Thread_Manager.h>

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "os/clock.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kHostModuleTrace;
using trace::cc::kIpStackTrace;
using trace::cc::kLevelBasic;
using trace::cc::kLevelError;

constexpr uint32_t kKeyCallbackModules = 2;
constexpr uint32_t kHastyAnswerMs = 10;  // host modules 1 and 2 get the key callback

// The host modules whose tables the two key callbacks answer from, bound while they run.
std::array<std::atomic<HostModule*>, kKeyCallbackModules + 1> g_bound{};

int32_t QueryBound(uint32_t number, const char* name, int32_t* size, char* buffer) {
  HostModule* host = g_bound[number].load();
  if (host == nullptr) {
    if (size != nullptr) *size = 0;
    return 0;
  }
  return QueryConfigKey(*host, name, size, buffer);
}

int32_t KeysOfHostModule1(const char* name, int32_t* size, char* buffer) {
  return QueryBound(1, name, size, buffer);
}

int32_t KeysOfHostModule2(const char* name, int32_t* size, char* buffer) {
  return QueryBound(2, name, size, buffer);
}

void LibraryTrace(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  trace::cc::TraceV(nullptr, kIpStackTrace, level, format, args);
  va_end(args);
}

// Pauses for `ms`, or less when the host module is told to stop.
void Pause(HostModule& host, int32_t ms) {
  ACE_Time_Value until = ACE_OS::gettimeofday() + ACE_Time_Value(0, ms * 1000);
  host.wake.wait(&until);
}

ACE_THR_FUNC_RETURN CipiThread(void* argument) {
  HostModule& host = *static_cast<HostModule*>(argument);
  std::vector<uint8_t> event(CIPI_EVENT_SIZE);
  while (!host.stop) {
    memset(event.data(), 0, event.size());
    const uint32_t asked = os::TickCount();
    const int32_t result = host.library.GetEvent(kEventWaitMs, event.data());
    if (host.stop) break;
    if (result == CIPI_EVENT_TIMEOUT) {
      // A library that says "no event" without waiting is asked again only after a pause, so
      // that it cannot keep a core busy.
      if (os::TickCount() - asked < kHastyAnswerMs) Pause(host, kErrorPauseMs);
      continue;
    }
    if (result == 0) {
      host.queue.PostLibraryEvent(kLibraryHandlerModule, kLibraryHandlerChannel, kLibraryEventKind,
                                  event.data(), CIPI_EVENT_SIZE);
      continue;
    }
    Pause(host, kErrorPauseMs);
    if (host.stop) break;
    host.queue.PostLibraryEvent(kLibraryHandlerModule, kLibraryHandlerChannel, kLibraryErrorKind,
                                &result, sizeof result);
  }
  return 0;
}

}  // namespace

int32_t LibraryTraceLevel() {
  for (int32_t level = trace::cc::kLevelVerbose; level >= kLevelError; --level) {
    if (trace::cc::CategoryEnabled(kIpStackTrace, level)) return level;
  }
  return 0;
}

bool StartLibrary(HostModule& host) {
  const uint32_t id = host.id;
  char path[sizeof(HostKeyEntry::value)];
  int32_t size = sizeof path;
  if (QueryConfigKey(host, kModuleLibraryKey, &size, path) != 1) {
    trace::cc::Trace(kHostModuleTrace, kLevelError, "QueryConfigKey() failed, hm=0x%x", id);
    return false;
  }
  if (!host.library.Load(path)) {
    trace::cc::Trace(kHostModuleTrace, kLevelError, "CM_LoadModule() failed, hm=0x%x", id);
    return false;
  }
  host.library.SetTrace(LibraryTraceLevel());
  const uint32_t low = id & 0xF;
  CIPI_ConfigKeyFn keys = nullptr;
  if (low == 1) keys = KeysOfHostModule1;
  if (low == 2) keys = KeysOfHostModule2;
  if (keys != nullptr) g_bound[low] = &host;
  char version[CIPI_INFO_TEXT_SIZE] = "";
  if (host.library.OpenLibrary(LibraryTrace, keys, -1, version) != 0) {
    Pause(host, kErrorPauseMs);
    trace::cc::Trace(kHostModuleTrace, kLevelError, "CM_OpenLibrary failed, hm=0x%x", id);
    return false;
  }
  version[sizeof version - 1] = '\0';
  host.cipi_version = version;
  char vendor[CIPI_INFO_TEXT_SIZE], name[CIPI_INFO_TEXT_SIZE], stack[CIPI_INFO_TEXT_SIZE];
  host.library.QueryLibraryInfo(vendor, name, stack);
  vendor[sizeof vendor - 1] = name[sizeof name - 1] = stack[sizeof stack - 1] = '\0';
  char line[4 * CIPI_INFO_TEXT_SIZE + 96];
  snprintf(line, sizeof line,
           "CIPI version %s, Stack vendor %s, Stack name %s, Stack version %s, hm=0x%x", version,
           vendor, name, stack, id);
  host.library_info = line;
  trace::cc::Trace(kHostModuleTrace, kLevelError, "%s", line);
  host.stop = false;
  host.wake.reset();
  if (ACE_Thread_Manager::instance()->spawn(CipiThread, &host, THR_NEW_LWP | THR_JOINABLE,
                                            &host.cipi_thread) == -1) {
    trace::cc::Trace(kHostModuleTrace, kLevelError, "Spawn CIPI thread failed, hm=0x%x", id);
    return false;
  }
  host.cipi_started = true;
  return true;
}

void StopLibrary(HostModule& host) {
  host.stop = true;
  host.wake.signal();
  host.library.CloseLibrary(-1);
  if (host.cipi_started) {
    ACE_Thread_Manager::instance()->join(host.cipi_thread);
    host.cipi_started = false;
  }
  const uint32_t low = host.id & 0xF;
  if (low >= 1 && low <= kKeyCallbackModules) {
    HostModule* expected = &host;
    g_bound[low].compare_exchange_strong(expected, nullptr);
  }
}

}  // namespace vtx::callctrl
