// The start and stop of host modules: which host modules, the key table their library asks
// from, and the order of a host module's parts.
#include "callctrl/hostmod/host_module.h"

#include <cstdio>
#include <cstring>

#include "callctrl/board/board_module.h"
#include "callctrl/board/master_election.h"
#include "callctrl/cc_registry.h"
#include "callctrl/config/callctrl_config.h"
#include "callctrl/hostmod/library_handler.h"
#include "callctrl/hostmod/library_run.h"
#include "callctrl/module_tables.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kHostModuleTrace;
using trace::cc::kInternalTrace;
using trace::cc::kLevelBasic;
using trace::cc::kLevelError;
using trace::cc::kLevelWarning;

constexpr uint8_t kHostSessionUnit = 1;  // byte 3 of the host module's own address

// Copies at most `length` characters of `text`, cut to the field's size and NUL-terminated.
template <size_t N>
void CopyText(char (&field)[N], const char* text, size_t length) {
  const size_t n = strnlen(text, length < N - 1 ? length : N - 1);
  memcpy(field, text, n);
  field[n] = '\0';
}

// The library's keys as text ("%d" signed, "%u" unsigned), then "module_library".
void BuildKeyTable(HostModule& host, const HostModuleConfigRecord& record) {
  host.keys.clear();
  for (uint32_t i = 0; record.keys != nullptr && i < record.key_count; ++i) {
    const HostModuleKeyValue& key = record.keys[i];
    HostKeyEntry entry{};
    CopyText(entry.name, key.name, sizeof key.name);
    entry.type = kHostKeyString;
    if (key.type == kHostKeySigned) {
      snprintf(entry.value, sizeof entry.value, "%d", key.value.signed_value);
    } else if (key.type == kHostKeyUnsigned) {
      snprintf(entry.value, sizeof entry.value, "%u", key.value.unsigned_value);
    } else {
      CopyText(entry.value, key.value.text, sizeof key.value.text);
    }
    host.keys.push_back(entry);
  }
  HostKeyEntry library{};
  CopyText(library.name, kModuleLibraryKey, sizeof kModuleLibraryKey);
  library.type = kHostKeyString;
  CopyText(library.value, record.module_library, sizeof record.module_library);
  host.keys.push_back(library);
}

// The host module's own session: facility 0, channel 0, byte 2 its identifier.
bool OpenHostSession(HostModule& host) {
  VtxLineArgs args{};
  args.local_addr[2] = static_cast<uint8_t>(host.id);
  args.local_addr[3] = kHostSessionUnit;
  host.session = VtxSessionAttach(&args);
  if (host.session == nullptr) {
    trace::cc::Trace(kHostModuleTrace, kLevelError, "OpenSession() failed, module=0x%x", host.id);
    return false;
  }
  return true;
}

}  // namespace

HostModule::HostModule(uint32_t host_number)
    : number(host_number), id(kHostModuleIdBase + host_number) {}

HostModule::~HostModule() {
  StopHostModule(*this);
}

int32_t QueryConfigKey(const HostModule& host, const char* name, int32_t* size, char* buffer) {
  if (size == nullptr) return 0;
  for (const HostKeyEntry& entry : host.keys) {
    if (name == nullptr || strcmp(entry.name, name) != 0) continue;
    const auto needed = static_cast<int32_t>(strlen(entry.value) + 1);
    if (buffer == nullptr || *size < needed) {
      *size = needed;
      return -1;
    }
    memcpy(buffer, entry.value, static_cast<size_t>(needed));
    *size = needed;
    return 1;
  }
  *size = 0;
  return 0;
}

bool StartHostModule(HostModule& host, const HostModuleConfigRecord& record) {
  BuildKeyTable(host, record);
  host.t38 = record.t38;
  host.media_use_unique_port = record.media_use_unique_port;
  host.inbound_call_timeout = record.inbound_call_timeout;
  host.ip_stack_trace = record.ip_stack_trace;
  host.timers = GetTimerService();
  if (!OpenHostSession(host)) return false;
  host.library_handler = std::make_unique<LibraryHandler>(host);
  host.queue.SetHandler(kLibraryHandlerModule, kLibraryHandlerChannel, host.library_handler.get());
  host.state = 1;
  if (!host.queue.Open()) {
    trace::cc::Trace(kHostModuleTrace, kLevelError, "Unable to open the queue, hm=0x%x", host.id);
    return false;
  }
  return StartLibrary(host);
}

void StopHostModule(HostModule& host) {
  StopLibrary(host);
  for (uint32_t module = 0; module < kDriverThreadModules; ++module) {
    for (uint32_t channel = 0; channel < kDriverThreadChannels; ++channel) {
      if (host.driver_threads[module * kDriverThreadChannels + channel] != nullptr) {
        CloseDriverEventThread(host, module, channel);
      }
    }
  }
  host.queue.Stop();
  HostModuleEnded(host);
  host.queue.SetHandler(kLibraryHandlerModule, kLibraryHandlerChannel, nullptr);
  host.library_handler.reset();
  host.library.Unload();
  DetachLine(host.session);
  host.session = nullptr;
}

namespace {

// Whether a board module this process started has IP channels for the host module: without
// them every call of its library is released as it is offered.
bool HasIpChannels(uint32_t host_module) {
  for (uint32_t number = kFirstBoardModule; number < kBoardModuleSlots; ++number) {
    const BoardModule* module = BoardModuleAt(number).module;
    if (module == nullptr) continue;
    for (uint32_t host_cc = 1; host_cc <= kMaxHostCc; ++host_cc) {
      if (module->record.host_cc[host_cc - 1].host_module == static_cast<int32_t>(host_module) &&
          module->objects[module->ip_base + host_cc] != nullptr) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

int StartHostModules(CallCtrlConfig* config) {
  int32_t ip_stack_trace = 0;
  GetIpStackTrace(config, &ip_stack_trace);
  int started = 0;
  for (uint32_t number = 1; number <= kMaxHostModule; ++number) {
    HostModuleConfigRecord* record = GetHostModuleRecord(config, number, false);
    if (record == nullptr || record->enabled == 0) continue;
    record->ip_stack_trace = ip_stack_trace;
    HostModule*& entry = HostModuleAt(number);
    entry = new HostModule(number);
    if (StartHostModule(*entry, *record)) {
      trace::cc::Trace(kInternalTrace, kLevelBasic, "Host module 0x%X Initialised OK", number);
      if (!HasIpChannels(number)) {
        trace::cc::Trace(kInternalTrace, kLevelWarning,
                         "Host module 0x%X has no IP channels: no board module with its host_cc "
                         "entries started here, its calls are released",
                         number);
      }
      ++started;
    } else {
      delete entry;  // stops it
      entry = nullptr;
      trace::cc::Trace(kInternalTrace, kLevelWarning, "Error starting host module 0x%X", number);
    }
  }
  return started;
}

void StopHostModules() {
  for (uint32_t number = 1; number <= kMaxHostModule; ++number) {
    HostModule*& entry = HostModuleAt(number);
    delete entry;
    entry = nullptr;
  }
}

}  // namespace vtx::callctrl
