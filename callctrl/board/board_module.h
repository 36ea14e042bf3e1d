// BoardModule: what the framework keeps for one started board module, from its start to its stop.
#pragma once

#include <ace/Auto_Event.h>
#include <ace/OS_NS_Thread.h>

#include <atomic>
#include <cstdint>

#include "callctrl/board_type.h"
#include "callctrl/cc_object.h"
#include "callctrl/config/config_records.h"
#include "vtx.h"

namespace vtx::callctrl {

constexpr uint32_t kChannelEntryBytes = 16;  // used flag and two 32-bit values
constexpr uint32_t kFirstChannel = 2;

// Board notification kinds of a module.
enum NotifyKind : uint32_t { kNotifyPorts = 1, kNotifyIp = 3, kNotifyNone = 4 };

struct BoardModule {
  BoardModule();
  ~BoardModule();
  BoardModule(const BoardModule&) = delete;
  BoardModule& operator=(const BoardModule&) = delete;

  CcSlots objects;  // ports by index, then IP objects by host_cc number from ip_base
  uint8_t* channel_table = nullptr;  // kChannelEntryBytes per channel
  uint32_t channel_count = 0;
  uint32_t first_channel = 0;  // channel of port 0 on the administration line
  uint32_t last_reported = 0;  // the last value a port object reported
  uint32_t module_number = 0;
  VtxLine* admin = nullptr;        // the administration line on the module's ECC session
  VtxLine* caller_line = nullptr;  // the line of the configuration that started the framework
  ModuleConfigRecord record{};
  uint32_t board_type = kBoardUnknown;
  uint32_t port_count = 0;
  uint32_t port_types[kMaxPorts] = {};     // port-type words by port index (0: bus interface)
  uint32_t port_channels[kMaxPorts] = {};  // channel count of each port object by port index
  uint32_t connections_made = 0;           // switch connections made at start-up
  bool port0_typed = false;                // port 0 reported a non-zero port-type word
  uint8_t isdn_version[3] = {};
  bool version_checked = false;
  bool notify_started = false;
  bool running = false;
  bool in_other_process = false;
  bool port_cc = false;
  bool ip_cc = false;
  uint32_t notify_kind = 0;
  uint8_t address[4] = {};
  uint32_t ip_base = kIpBaseSlot;
  uint8_t admin_address[4] = {};  // the administration session's own address
  ACE_thread_t thread_id{};
  bool thread_started = false;
  ACE_Auto_Event started;  // the event thread's first result is ready
  std::atomic<bool> stop{false};
};

// Starts every module 2..127 the configuration covers; the number started.
struct CallCtrlConfig;
int StartBoardModules(VtxLine* line, CallCtrlConfig* config, const char* user_preference_file);

// Starts one module with its record: true when it runs. A failed start leaves what it made for
// StopModule.
bool StartModule(BoardModule& module, VtxLine* line, const ModuleConfigRecord& record,
                 uint32_t module_number);
// Ends the event thread, destroys the objects, detaches the administration line (unless it is
// the caller's) and frees the channel table.
void StopModule(BoardModule& module);

}  // namespace vtx::callctrl
