// HostModule: what the framework keeps for one started host module, from its start to its stop:
// its configuration keys rendered as text, its T.38 and call settings, its library with the
// thread that pulls the library's events, its queue, and the driver event threads it opens on
// demand for the board channels it works with.
#pragma once

#include <ace/Manual_Event.h>
#include <ace/OS_NS_Thread.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "callctrl/config/config_records.h"
#include "callctrl/hostlib/host_module_library.h"
#include "callctrl/hostmod/host_handler.h"
#include "callctrl/hostmod/host_queue.h"
#include "callctrl/timer/timer_service.h"
#include "vtx.h"

namespace vtx::callctrl {

constexpr uint32_t kHostModuleIdBase = 0x80;  // identifier = 0x80 + host module number
constexpr char kModuleLibraryKey[] = "module_library";
// Where the host module's own handler of its library's events sits in the handler table.
constexpr uint32_t kLibraryHandlerModule = 0;
constexpr uint32_t kLibraryHandlerChannel = 0;
// Board modules and channels a driver event thread may be opened for.
constexpr uint32_t kDriverThreadModules = 20;
constexpr uint32_t kDriverThreadChannels = 255;
// The ALERT_VALUE that ends a driver event thread.
constexpr int32_t kDriverThreadEndAlert = 254;

// One configuration key as the library asks for it: every value rendered as text.
struct HostKeyEntry {
  char name[260];
  uint32_t type;  // always a string once rendered
  char value[260];
};

struct HostModule;

// One driver event thread: its session on the board channel and its stop flag.
struct DriverEventThread {
  HostModule* owner = nullptr;
  VtxLine* session = nullptr;
  ACE_thread_t thread{};
  std::atomic<bool> stop{false};
};

struct HostModule {
  explicit HostModule(uint32_t number);
  ~HostModule();  // stops it
  HostModule(const HostModule&) = delete;
  HostModule& operator=(const HostModule&) = delete;

  std::vector<HostKeyEntry> keys;
  uint32_t number;
  uint32_t id;  // "hm=0x%x"
  T38Config t38{};
  int32_t media_use_unique_port = 0;
  int32_t inbound_call_timeout = 0;
  int32_t ip_stack_trace = 0;
  TimerService* timers = nullptr;
  VtxLine* session = nullptr;  // on the host module's own address
  std::unique_ptr<DriverEventThread> driver_threads[kDriverThreadModules * kDriverThreadChannels];
  std::mutex driver_lock;  // the driver event thread slots

  HostModuleLibrary library;
  std::string cipi_version;
  std::string library_info;  // the library's information line, once it opened
  ACE_thread_t cipi_thread{};
  bool cipi_started = false;
  std::atomic<bool> stop{false};
  ACE_Manual_Event wake;  // cuts the CIPI thread's pause after a library error short

  std::atomic<uint32_t> state{0};  // 1 while the queue runs; its stop message sets 0
  HostQueue queue{&state};
  std::unique_ptr<HostHandler> library_handler;
};

// Starts every enabled host module 1..9 of the configuration: the number started.
struct CallCtrlConfig;
int StartHostModules(CallCtrlConfig* config);
// Stops and frees every started host module.
void StopHostModules();

// Starts one host module with its record: true when it runs. A failed start leaves what it made
// for StopHostModule.
bool StartHostModule(HostModule& host, const HostModuleConfigRecord& record);
// Closes the library (no further events), ends the CIPI thread, the driver event threads and
// the queue (everything accepted is processed first), and unloads the library.
void StopHostModule(HostModule& host);

// The host module's key query: 1 found (value and its NUL copied, size set to its length), -1
// the buffer is too small (size set to the length needed), 0 not found (size 0).
int32_t QueryConfigKey(const HostModule& host, const char* name, int32_t* size, char* buffer);

// Opens the driver event thread of a board module and channel (at most one per pair): true when
// one runs. Its packets are posted to the host module's queue.
bool OpenDriverEventThread(HostModule& host, uint32_t module, uint32_t channel);
// Ends the pair's thread (an ALERT of value 254 sent to its session) and waits for it.
void CloseDriverEventThread(HostModule& host, uint32_t module, uint32_t channel);

}  // namespace vtx::callctrl
