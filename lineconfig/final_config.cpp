// The final configuration of a line, at the closing call of a configuration sequence: the
// module's capabilities are discovered facility by facility, the settings and country
// parameters go to the firmware as variables, the module clock and country are set, and the
// call-control framework is started. Everything sent before a failure stays in force.
#include "lineconfig/final_config.h"

#include <cstring>

#include "admin.h"
#include "api/address_mode.h"
#include "api/hangup_check.h"
#include "api/line.h"
#include "api/module_queries.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "call_sw.h"
#include "callctrl/callctrl_init.h"
#include "common.h"
#include "lineconfig/capability_map.h"
#include "lineconfig/facility_settings.h"
#include "lineconfig/final_config_run.h"
#include "lineconfig/firmware_report.h"
#include "lineconfig/line_config.h"
#include "lineconfig/module_clock.h"
#include "packet/line_io.h"
#include "tele_ctrl.h"
#include "teleph/teleph_info.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

constexpr uint32_t kNoInitEndChecksOnly = 2;
constexpr uint32_t kBusTypeVirtual = 3;  // a module without a bus of its own

constexpr uint32_t kCapNoTelephony = 0;  // no telephony hardware reported
constexpr uint32_t kCapTelephonyHardware = 13;
constexpr uint32_t kCapRegularModule[] = {91, 92};
constexpr uint32_t kCapCallSwitch = 87;

uint8_t Masked(uint8_t byte) {
  return byte & AddressByteMask();
}

bool IsChannelLine(const VtxLine* line) {
  return Masked(line->dest_addr[1]) >= 2;
}

// A line without a driver connection of its own asks through a connection of the query's.
VtxLine* Asking(VtxLine* line) {
  return line->drv_handle >= 0 ? line : nullptr;
}

bool AddressExists(VtxLine* line, const uint8_t (&address)[4]) {
  VtxModuleArgs check{};
  memcpy(check.m_addr, address, 4);
  return CheckAddressWorker(Asking(line), &check) == 0 && check.exists != 0;
}

// A module that exists on a bus of its own is a regular module.
void ClassifyModule(FinalConfigRun& run) {
  VtxModuleInfoArgs info{};
  info.mod_num = Masked(run.line->dest_addr[2]);
  if (ModuleInfoWorker(nullptr, &info) != 0) return;
  if (info.exists == 0 || info.bus_type == kBusTypeVirtual) {
    run.regular_module = false;
    return;
  }
  for (uint32_t capability : kCapRegularModule) SetCapability(run.line, capability);
  if (run.ModuleAddressExists(MILL_FACILITY_CALL_SW)) SetCapability(run.line, kCapCallSwitch);
}

// The country code's hexadecimal digits 4, 3 and 2 read as a decimal number: 0x0440 is 44.
int32_t CountryCodeNumber(uint32_t country_code) {
  return static_cast<int32_t>(((country_code >> 12) & 0xF) * 100 +
                              ((country_code >> 8) & 0xF) * 10 + ((country_code >> 4) & 0xF));
}

// The ADMIN capabilities, the module clock, the country and the line encoding.
int Admin(FinalConfigRun& run) {
  VtxLine* line = run.line;
  if (run.skip_facility_settings || !run.FacilityPresent(MILL_FACILITY_ADMIN)) return 0;
  CapabilityPair pairs[kMaxCapabilityPairs + 1];
  if (run.Discover(MILL_FACILITY_ADMIN, kAdminCapabilities, {}, {}, pairs) < 0) return -1;
  const bool time_set = (PairValue(pairs, COMMON_CAPABILITIES_VAR) & kAdminTimeSetBit) != 0;
  if (!run.sending() || line->config.no_sig_gen != 0) return 0;
  if (time_set && !SetModuleClock(line, run.args)) return -1;
  TagList country;
  country.Add(ADMIN_COUNTRY_CODE_VAR, kTypeShort,
              CountryCodeNumber(line->config.settings.country_code));
  if (run.Send(MILL_FACILITY_ADMIN, country) < 0) return -1;
  if (!IsChannelLine(line)) return 0;
  TagList encoding;
  encoding.Add(ADMIN_LINE_ENCODING_OVERRIDE_VAR, kTypeByte, line->config.settings.line_encoding);
  return run.Send(MILL_FACILITY_ADMIN, encoding);
}

// Each DEBUG_CONTROL pair up to the first free one, to a facility that is present.
int DebugControl(FinalConfigRun& run) {
  if (!run.sending()) return 0;
  for (const DebugControlPair& pair : run.line->config.settings.debug_control) {
    if (pair.first == 0) break;
    if (run.skip_facility_settings || !run.FacilityPresent(pair.first)) continue;
    TagList debug;
    debug.Add(COMMON_DEBUG_CONTROL_VAR, kTypeLong, static_cast<int32_t>(pair.second));
    if (run.Send(pair.first, debug) < 0) return -1;
  }
  return 0;
}

// The telephony controller's capabilities and the telephony hardware.
int Telephony(FinalConfigRun& run) {
  VtxLine* line = run.line;
  if (!run.regular_module) return 0;
  if (!run.ModuleAddressExists(MILL_FACILITY_TELE_CTRL)) {
    SetCapability(line, kCapNoTelephony);
    return 0;
  }
  if (run.Discover(MILL_FACILITY_TELE_CTRL, kTeleCtrlCapabilities, {89, 90}, {}, nullptr, 1) < 0) {
    return -1;
  }
  VtxTelephArgs telephony{};
  uint32_t port_types = 0;
  const int found = teleph::PortTypeSummary(line, &port_types, &telephony);
  if (found < 0) {
    CopyResult(run.args, telephony);
    return -1;
  }
  if (found != 0) {
    SetCapability(line, kCapNoTelephony);
  } else {
    SetCapability(line, kCapTelephonyHardware);
    const CapabilityPair word[] = {{kHardwareWordTag, port_types}, {0, 0}};
    MapCapabilities(line, word, kHardwareCapabilities, run.regular_module);
  }
  if (HasCapability(line, 2) || HasCapability(line, 3)) SetCapability(line, 4);
  return 0;
}

// The call-control framework, with the user preference file the line was configured
// from.
int StartCallControl(FinalConfigRun& run) {
  if (!run.sending() || run.args->skip_teleph != 0) return 0;
  callctrl::CallCtrlInitRequest request{};
  request.userPreferenceFile = run.args->config_file_name;
  const int result = callctrl::CallCtrlInit(run.line, &request);
  if (result == 1 && request.status == CV_STATUS_OK) return 0;
  trace::Message(run.line, trace::kLevelInfo, "CallCtrlInit() failed: %d.", result);
  SetResult(run.args, request.status, request.errorCode);
  return -1;
}

// An alert or a condition that arrived during the configuration fails it.
int EndChecks(VtxLine* line) {
  const bool alert = line->alert_value != 0;
  const uint32_t condition = line->pending_hangup == api::kPendingAlert ? 0 : line->pending_hangup;
  if (!alert && condition == 0) return 0;
  if (alert) line->reset_status |= kResetAlert;
  if (condition == packet::kHangupMaxTimeout) {
    line->reset_status |= kResetMaxTimeout;
  } else if (condition != 0) {
    line->reset_status |= kResetCondition;
  }
  return -1;
}

int Configure(FinalConfigRun& run) {
  VtxLine* line = run.line;
  const uint32_t no_init = run.args->no_init;
  ClassifyModule(run);
  if (IsChannelLine(line) && no_init != kNoInitEndChecksOnly) {
    TraceFirmwareReport(line, no_init == 0);
    if (ConfigureChannelFacilities(run) < 0) return -1;
  } else {
    ConfigureModuleLine(run);
  }
  if (no_init == kNoInitEndChecksOnly) return EndChecks(line);
  if (Admin(run) < 0 || DebugControl(run) < 0 || Telephony(run) < 0 || StartCallControl(run) < 0) {
    return -1;
  }
  return EndChecks(line);
}

}  // namespace

bool FinalConfigRun::ModuleAddressExists(uint8_t facility) const {
  const uint8_t address[4] = {facility, 1, line->dest_addr[2], line->dest_addr[3]};
  return AddressExists(line, address);
}

bool FinalConfigRun::FacilityPresent(uint32_t facility) const {
  const uint8_t address[4] = {static_cast<uint8_t>(facility & 0xFF), line->dest_addr[1],
                              line->dest_addr[2], line->dest_addr[3]};
  return AddressExists(line, address);
}

int FinalConfigRun::Query(uint32_t facility, CapabilityPair* pairs, int32_t prio) const {
  return QueryCapabilities(line, facility, pairs, prio, args);
}

int FinalConfigRun::Discover(uint32_t facility, const CapabilityMap& map,
                             std::initializer_list<uint32_t> always,
                             std::initializer_list<uint32_t> without_list, CapabilityPair* pairs,
                             int32_t prio) const {
  CapabilityPair own[kMaxCapabilityPairs + 1];
  if (pairs == nullptr) pairs = own;
  const int listed = Query(facility, pairs, prio);
  if (listed < 0) return -1;
  for (uint32_t capability : always) SetCapability(line, capability);
  if (listed == 0) MapCapabilities(line, pairs, map, regular_module);
  if (listed == 1) {
    for (uint32_t capability : without_list) SetCapability(line, capability);
  }
  return listed;
}

int FinalConfigRun::Send(uint32_t facility, const TagList& tags) const {
  if (!sending()) return 0;
  return SendSettings(line, facility, tags, args) ? 0 : -1;
}

int FinalLineConfiguration(VtxLine* line, VtxLineArgs* args) {
  if (RefuseAsync(line, args, "unknown")) return -1;
  FinalConfigRun run{line, args};
  return Configure(run);
}

}  // namespace vtx
