#include "callctrl/telephony/telephony_config.h"

#include "admin.h"
#include "api/line.h"
#include "callctrl/telephony/clock_config.h"
#include "callctrl/telephony/pcpm_store.h"
#include "callctrl/telephony/port_command.h"
#include "callctrl/telephony/telephony_run.h"
#include "common.h"
#include "tele_ctrl.h"
#include "teleph/address_text.h"
#include "teleph/request.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

namespace cc = trace::cc;

constexpr uint32_t kTelephonySection = 1;
constexpr uint32_t kConfiguredMark = 1;
constexpr uint32_t kAcquireWait = 10000;             // ms another start-up may hold the section
constexpr uint32_t kBusMvip = 0x4, kBusH1x0 = 0x20;  // port-type word bits of a bus interface
constexpr uint16_t kFamilyInet = 2;

// Waits for `event` of `facility` and reads its RESULT_CODE: false when it did not come.
bool AwaitResult(VtxLine* line, uint32_t facility, uint32_t event, uint32_t timeout,
                 uint32_t& result) {
  MillArgs wait;
  VtxResult ignored{};
  if (teleph::WaitEvent(line, &wait, facility, event, timeout) != 1) return false;
  result = teleph::CommandTagInt(wait, COMMON_RESULT_CODE_VAR);
  return teleph::DrainRest(line, &wait, &ignored);
}

// Takes the section: its mark (non-zero: configured already), or false on an error.
bool AcquireSection(const TelephonyRun& run, uint32_t& mark) {
  const MillTagItem tags[] = {{ADMIN_CRIT_SEC_ID_VAR, 0, 0, MILL_TAG_VALUE(kTelephonySection)},
                              {0, 0, 0, nullptr}};
  VtxResult result{};
  const bool ok =
      teleph::SendRequest(run.line, MILL_FACILITY_ADMIN, ADMIN_CRIT_SEC_ACQUIRE_REQUEST, tags,
                          &result) &&
      AwaitResult(run.line, MILL_FACILITY_ADMIN, ADMIN_CRIT_SEC_ACQUIRED_EVENT, kAcquireWait, mark);
  run.Report({TelephonyAction::kSectionAcquired, 0, {}, ok, mark});
  return ok;
}

void ReleaseSection(const TelephonyRun& run) {
  const MillTagItem tags[] = {{ADMIN_CRIT_SEC_ID_VAR, 0, 0, MILL_TAG_VALUE(kTelephonySection)},
                              {COMMON_RESULT_CODE_VAR, 0, 0, MILL_TAG_VALUE(kConfiguredMark)},
                              {0, 0, 0, nullptr}};
  VtxResult result{};
  uint32_t released = 0;
  const bool ok = teleph::SendRequest(run.line, MILL_FACILITY_ADMIN, ADMIN_CRIT_SEC_RELEASE_REQUEST,
                                      tags, &result) &&
                  AwaitResult(run.line, MILL_FACILITY_ADMIN, ADMIN_CRIT_SEC_RELEASED_EVENT,
                              kExchangeWait, released);
  run.Report({TelephonyAction::kSectionReleased, 0, {}, ok && released == 0, released});
}

void Address(const char* text, VtxNetAddr& address) {
  address.sin_fam = kFamilyInet;
  teleph::ParseDottedQuad(text, address.sin_addr);
}

// Ethernet 1's settings; a failure is noted and the configuration goes on.
void ConfigureEthernet(const TelephonyRun& run) {
  const EthernetConfig& e = run.record.ethernet[0];
  VtxNetworkArgs net{};
  net.unit = 1;
  net.set_localAddr = net.set_localNetmask = net.set_gateway1 = 1;
  Address(e.ip_address, net.localAddr);
  Address(e.ip_netmask, net.localNetmask);
  Address(e.ip_gateway, net.gateway1);
  net.set_speed = net.set_duplex = net.set_flowControl = net.set_ARPTimeout = 1;
  net.speed = static_cast<uint32_t>(e.ethernet_speed);
  net.duplex = static_cast<uint32_t>(e.ethernet_duplex);
  net.flowControl = static_cast<uint32_t>(e.ethernet_flow_control);
  net.ARPTimeout = static_cast<uint32_t>(e.ip_arp_timeout);
  const int ret = VtxNetworkConfigSet(run.line, &net);
  run.Report({TelephonyAction::kEthernet, 0, {}, ret == 0, static_cast<uint32_t>(ret)});
  if (ret != 0) {
    cc::TraceLine(run.line, cc::kInternalTrace, cc::kLevelVerbose,
                  "Error Configuring Ethernet Port for module %X", run.module());
  }
}

bool ResetControllers(const TelephonyRun& run) {
  for (uint32_t index = 0; index < run.ports; ++index) {
    const uint32_t channel = PortChannel(index);
    MillArgs send =
        teleph::ModuleRequest(MILL_FACILITY_TELE_CTRL, TELE_CTRL_RESET_CONTROLLER_REQUEST, nullptr);
    send.use_alt_chan = 0;
    send.timeout = kExchangeWait;
    VtxResult result{};
    uint32_t code = 0;
    bool ok = false;
    {
      ChannelAddress to(run.line, channel);
      ok = teleph::SendFormed(run.line, send, &result);
    }
    ok = ok && AwaitResult(run.line, MILL_FACILITY_TELE_CTRL, TELE_CTRL_CONTROLLER_RESET_DONE_EVENT,
                           kExchangeWait, code);
    run.Report({TelephonyAction::kControllerReset, channel, {}, ok && code == 0, code});
    if (!ok || code != 0) return false;
  }
  return true;
}

// The port configurations by port index: the bus interface's from its port-type word, the
// trunks' from their sections.
void PortConfigs(TelephonyRun& run, const uint32_t* port_types, uint32_t port_count) {
  run.ports = port_count < kTelephonyPorts ? port_count : kTelephonyPorts;
  for (uint32_t index = 0; index < run.ports; ++index) {
    if (index > 0) {
      run.port_config[index] = run.record.ports[index - 1].port_config;
    } else if ((port_types[0] & kBusMvip) != 0) {
      run.port_config[index] = kPortMvip;
    } else if ((port_types[0] & kBusH1x0) != 0) {
      run.port_config[index] = kPortH1x0;
    } else {
      run.port_config[index] = kPortInactive;
    }
  }
}

// Everything between taking and letting go of the section: false when a port command, the
// clocks or the reset failed.
bool ConfigureUnderSection(const TelephonyRun& run) {
  ConfigureEthernet(run);
  if (!ConfigurePorts(run)) return false;
  bool ok = true;
  if (!ConfigureClocks(run)) {
    cc::TraceLine(run.line, cc::kInternalTrace, cc::kLevelError,
                  "Error configuring clocks, module 0x%X", run.module());
    ok = false;
  }
  if (!ResetControllers(run)) {
    cc::TraceLine(run.line, cc::kInternalTrace, cc::kLevelError,
                  "Error reseting telephony, module 0x%X", run.module());
    ok = false;
  }
  LoadPcpmTable(run);
  return ok;
}

}  // namespace

bool ConfigureTelephony(VtxLine* admin_line, const ModuleConfigRecord& record,
                        const uint32_t* port_types, uint32_t port_count, uint32_t board_type,
                        const TelephonyObserver& observer) {
  TelephonyRun run{admin_line, record, observer, {}, 0, record.clock_source};
  PortConfigs(run, port_types, port_count);
  // A HALVARD with a bus interface takes its clock from the bus, never from a trunk.
  if (board_type == kBoardHalvardBus && run.clock_source >= kSourceTrunkA &&
      run.clock_source <= kSourceTrunkH) {
    run.clock_source = kSourceInternal;
  }
  for (uint32_t index = 0; index < run.ports; ++index) {
    if (!PortKnown(run, index)) {
      cc::TraceLine(admin_line, cc::kInternalTrace, cc::kLevelError,
                    "Error configuring telephony, port %d, module 0x%X", index, run.module());
      return false;
    }
  }
  uint32_t mark = 0;
  if (!AcquireSection(run, mark)) {
    cc::TraceLine(admin_line, cc::kInternalTrace, cc::kLevelError,
                  "Error getting telephony mutex, module 0x%X", run.module());
    ReleaseSection(run);
    return false;
  }
  bool ok = true;
  if (mark != 0) {
    cc::TraceLine(admin_line, cc::kInternalTrace, cc::kLevelVerbose,
                  "Telephony already configured, module 0x%X", run.module());
  } else {
    ok = ConfigureUnderSection(run);
  }
  ReleaseSection(run);
  if (ok) {
    cc::TraceLine(admin_line, cc::kInternalTrace, cc::kLevelVerbose,
                  "Telephony configured OK, module 0x%X", run.module());
  }
  return ok;
}

}  // namespace vtx::callctrl
