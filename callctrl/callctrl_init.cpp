#include "callctrl/callctrl_init.h"

#include <atomic>
#include <cstring>

#include "callctrl/board/board_module.h"
#include "callctrl/config/callctrl_config.h"
#include "callctrl/config_lookup.h"
#include "callctrl/hostmod/host_module.h"
#include "callctrl/init_lock.h"
#include "callctrl/module_tables.h"
#include "callctrl/timer/timer_service.h"
#include "callctrl/trace_config.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kApiTrace;
using trace::cc::kInternalTrace;
using trace::cc::kLevelBasic;
using trace::cc::kLevelError;
using trace::cc::kLevelVerbose;
using trace::cc::kLevelWarning;

std::atomic<bool> g_initialised{false};

void Fail(CallCtrlInitRequest* request, uint32_t error_code) {
  request->status = CV_STATUS_ERROR;
  request->errorCode = error_code;
}

int Configure(VtxLine* line, CallCtrlInitRequest* request) {
  ResetModuleTables();
  if (request->traceFileGiven != 0 && request->traceFileName != nullptr &&
      request->traceFileName[0] != '\0') {
    trace::cc::SetTraceFile(request->traceFileName);
  }
  const char* preferences = request->userPreferenceFile;
  if (preferences == nullptr) {
    preferences = kDefaultUserPreferenceFile;
    trace::cc::TraceLine(line, kApiTrace, kLevelWarning,
                         "User prefererence file not specified, using %s", preferences);
  }
  char file_name[kConfigPathSize];
  GetCallCtrlConfigFile(preferences, file_name);
  trace::cc::TraceLine(line, kApiTrace, kLevelBasic, "Using call_control configuration file %s",
                       file_name);
  CallCtrlConfig* config = OpenCallCtrlConfig(file_name, false, ListConfigMessage);
  if (config == nullptr) {
    trace::cc::TraceLine(line, kApiTrace, kLevelError,
                         "Unable to open call_control configuration file %s", file_name);
    Fail(request, APIERR_FILEIO);
    return -2;
  }
  ApplyTraceConfig(config, *request, file_name);
  if (config == nullptr) {  // the file went away between the two opens
    Fail(request, APIERR_FILEIO);
    return -2;
  }
  for (int32_t i = 0; request->moduleRecords != nullptr && i < request->moduleRecordCount; ++i) {
    const ModuleConfigRecord& given = request->moduleRecords[i];
    ModuleConfigRecord* record = GetModuleRecord(config, given.module_number, true);
    if (record != nullptr) *record = given;
  }
  int result = 1;
  const int boards = ModuleRecordCount(config);
  const int hosts = HostModuleRecordCount(config);
  int started_boards = 0;
  if (boards > 0) {
    started_boards = StartBoardModules(line, config, preferences);
    if (started_boards > 0) g_initialised = true;
    if (started_boards < boards) {
      trace::cc::TraceLine(line, kApiTrace, kLevelWarning,
                           "Some board modules failed to initialize.");
    }
  }
  if (hosts > 0) {
    const int started_hosts = StartHostModules(config);
    if (started_boards > 0 || started_hosts > 0) g_initialised = true;
    if (started_hosts < hosts) {
      trace::cc::TraceLine(line, kApiTrace, kLevelWarning,
                           "Some host modules failed to initialize.");
    }
  }
  if (boards <= 0 && hosts <= 0) {
    trace::cc::TraceLine(line, kApiTrace, kLevelError,
                         "No valid configuration found. Check call_control configuration file %s",
                         file_name);
    Fail(request, APIERR_NOTCONNECTED);
    result = -4;
  }
  CloseCallCtrlConfig(config);
  return result;
}

}  // namespace

int CallCtrlInit(VtxLine* line, CallCtrlInitRequest* request) {
  request->status = CV_STATUS_OK;
  if (g_initialised) return 1;
  trace::cc::TraceLine(line, kInternalTrace, kLevelVerbose,
                       "System not initialised, attempting init lock");
  if (!TakeInitLock()) return -1;
  trace::cc::TraceLine(line, kInternalTrace, kLevelVerbose,
                       "System initialisation, init lock succeeded");
  int result = 1;
  if (!g_initialised) {
    trace::cc::TraceLine(line, kInternalTrace, kLevelVerbose, "Initialising system");
    result = Configure(line, request);
  }
  trace::cc::TraceLine(line, kInternalTrace, kLevelVerbose, "System init complete");
  ReleaseInitLock();
  return result;
}

bool CallCtrlRunning() {
  return g_initialised;
}

void CallCtrlShutdown() {
  if (!TakeInitLock()) return;
  StopHostModules();  // they work with the board modules' channels
  StopBoardModules();
  ShutdownTimerService();
  g_initialised = false;
  ReleaseInitLock();
}

}  // namespace vtx::callctrl
