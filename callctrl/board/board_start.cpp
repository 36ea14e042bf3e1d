// The start and stop of board modules: which modules, master or slave, and the steps of a
// master's start in order.
#include <cstring>

#include "callctrl/board/board_identity.h"
#include "callctrl/board/board_module.h"
#include "callctrl/board/connections.h"
#include "callctrl/board/event_thread.h"
#include "callctrl/board/master_election.h"
#include "callctrl/board/verification.h"
#include "callctrl/config/callctrl_config.h"
#include "callctrl/module_tables.h"
#include "callctrl/telephony/telephony_config.h"
#include "callctrl/timer/timer_service.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kInternalTrace;
using trace::cc::kLevelBasic;
using trace::cc::kLevelError;
using trace::cc::kLevelWarning;

constexpr int32_t kSetApiCsmi = 1;  // the application drives call control itself
constexpr uint32_t kConnectAttempts = 2;
constexpr uint32_t kLastBoardModule = 127;

bool StartAsSlave(BoardModule& module) {
  const uint32_t number = module.module_number;
  trace::cc::Trace(kInternalTrace, kLevelBasic, "Module 0x%X running in another process.", number);
  if (module.record.set_api != kSetApiCsmi) {
    bool connected = false;
    for (uint32_t attempt = 0; attempt < kConnectAttempts && !connected; ++attempt) {
      connected = ConnectToMaster(module);
    }
    if (!connected) {
      trace::cc::Trace(kInternalTrace, kLevelWarning,
                       "Unable to connect to master. Module 0x%X, skipping...", number);
      return false;
    }
  }
  DetachLine(module.admin);
  module.admin = nullptr;
  return true;
}

bool StartAsMaster(BoardModule& module) {
  const uint32_t number = module.module_number;
  if (!VerifyConfiguration(module)) {
    trace::cc::Trace(kInternalTrace, kLevelWarning,
                     "Invalid configuration specified for module 0x%X, skipping...", number);
    return false;
  }
  if (!ConfigureTelephony(module.admin, module.record, module.port_types, module.port_count,
                          module.board_type)) {
    trace::cc::Trace(kInternalTrace, kLevelWarning,
                     "Unable to configure ports module 0x%X, skipping...", number);
    return false;
  }
  if (!MakeAutoConnections(module)) {
    trace::cc::Trace(kInternalTrace, kLevelWarning,
                     "Unable to make autoconnect module 0x%X, skipping...", number);
    return false;
  }
  if (module.record.set_api != kSetApiCsmi) GetTimerService();
  if (module.record.set_api != kSetApiCsmi && !StartEventThread(module)) {
    trace::cc::Trace(kInternalTrace, kLevelWarning,
                     "Unable to start IISDN module 0x%X, skipping...", number);
    return false;
  }
  return true;
}

}  // namespace

BoardModule::BoardModule() = default;

BoardModule::~BoardModule() {
  StopModule(*this);
}

bool StartModule(BoardModule& module, VtxLine* line, const ModuleConfigRecord& record,
                 uint32_t module_number) {
  if (module.running) {
    trace::cc::Trace(kInternalTrace, kLevelWarning, "Module 0x%X already running.", module_number);
    return false;
  }
  module.module_number = module_number;
  module.record = record;
  module.caller_line = line;
  if (!ModuleExists(module_number)) return false;
  if (!OpenAdministration(module)) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Unable to access administration channel module 0x%X", module_number);
    return false;
  }
  if (!QueryCapabilities(module)) {
    trace::cc::Trace(kInternalTrace, kLevelWarning,
                     "Unable to get capabilities module 0x%X, skipping...", module_number);
    return false;
  }
  if (!(module.in_other_process ? StartAsSlave(module) : StartAsMaster(module))) return false;
  module.running = true;
  return true;
}

void StopModule(BoardModule& module) {
  EndEventThread(module);
  DestroyObjects(module);
  DetachLine(module.admin);
  module.admin = nullptr;
  delete[] module.channel_table;
  module.channel_table = nullptr;
  module.running = false;
}

int StartBoardModules(VtxLine* line, CallCtrlConfig* config, const char* user_preference_file) {
  const ModuleConfigRecord* fallback = GetModuleRecord(config, 0, false);
  int started = 0;
  for (uint32_t number = kFirstBoardModule; number <= kLastBoardModule; ++number) {
    const ModuleConfigRecord* own = GetModuleRecord(config, number, false);
    ModuleConfigRecord record;
    if (own != nullptr) {
      record = *own;
    } else if (fallback != nullptr && ModulePresent(number)) {
      record = *fallback;
      record.module_number = number;
    } else {
      continue;
    }
    strncpy(record.user_preference_file, user_preference_file,
            sizeof record.user_preference_file - 1);
    record.user_preference_file[sizeof record.user_preference_file - 1] = '\0';
    auto* module = new BoardModule();
    if (StartModule(*module, line, record, number)) {
      PublishBoardModule(number, module);
      trace::cc::Trace(kInternalTrace, kLevelBasic, "Board module 0x%X Initialised OK", number);
      ++started;
    } else {
      delete module;  // stops it
      trace::cc::Trace(kInternalTrace, kLevelWarning, "Error starting board module 0x%X", number);
    }
  }
  return started;
}

}  // namespace vtx::callctrl
