#include "callctrl/telephony/clock_config.h"

#include "call_sw.h"
#include "tele_ctrl.h"
#include "teleph/request.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

namespace cc = trace::cc;

// clock_mode and clock_source values of the configuration.
constexpr int32_t kSlave = 0, kMaster = 1, kSecondMaster = 2;
constexpr int32_t kSourceClockA = 11, kSourceClockB = 12;
// What the board is told.
constexpr uint32_t kBusClockSlave = 1, kBusClockMaster = 0;
constexpr uint32_t kClockFromTrunk = 1, kClockFromBus = 2;  // CLK_CONFIG
constexpr uint32_t kMvipInternal = 2, kMvipTrunkA = 1;
constexpr uint32_t kRefInternal = 128, kRefClockA = 8, kRefClockB = 9;
constexpr uint32_t kLastTrunkRef = 7;   // references 0..7 are the trunks of ports 1..8
constexpr uint32_t kSwitchChannel = 1;  // where the switch takes its requests
constexpr uint32_t kBusChannel = PortChannel(0);
constexpr uint32_t kNoPort = 0xFFFFFFFF;

bool Invalid(const TelephonyRun& run, const char* format) {
  cc::TraceLine(run.line, cc::kInternalTrace, cc::kLevelError, format, run.module());
  return false;
}

bool SetBusClock(const TelephonyRun& run, bool second_master_allowed) {
  const int32_t mode = run.record.clock_mode;
  const bool master = mode == kMaster || (second_master_allowed && mode == kSecondMaster);
  if (mode != kSlave && !master) return Invalid(run, "Invalid clock_mode, module 0x%X");
  return SetTeleCtrlVariable(run, kBusChannel, TELE_CTRL_BUS_CLK_VAR,
                             master ? kBusClockMaster : kBusClockSlave, kExchangeWait);
}

bool MvipClocks(const TelephonyRun& run) {
  if (!SetBusClock(run, false) ||
      !SetTeleCtrlVariable(run, kBusChannel, TELE_CTRL_MVIP_SEC8K_VAR,
                           static_cast<uint32_t>(run.record.sec8k), kExchangeWait)) {
    return false;
  }
  uint32_t first_trunk_clock = kMvipInternal;
  if (run.record.clock_mode == kMaster) {
    if (run.clock_source == kSourceInternal) {
      first_trunk_clock = kMvipInternal;
    } else if (run.clock_source == kSourceTrunkA) {
      first_trunk_clock = kMvipTrunkA;
    } else {
      return Invalid(run, "Invalid clock_source, module 0x%X");
    }
  }
  if (run.ports > 1 && run.IsTrunk(1) &&
      !SetTeleCtrlVariable(run, PortChannel(1), TELE_CTRL_CLK_CONFIG_VAR, first_trunk_clock,
                           kExchangeWait)) {
    return false;
  }
  for (uint32_t index = 2; index < run.ports; ++index) {
    if (!run.IsTrunk(index)) continue;
    return SetTeleCtrlVariable(run, PortChannel(index), TELE_CTRL_CLK_CONFIG_VAR, kClockFromBus,
                               kExchangeWait);
  }
  return true;
}

// The master reference of a clock_source, with the port it names (kNoPort when none); false for
// one the bus cannot take.
bool MasterReference(int32_t source, uint32_t& reference, uint32_t& port) {
  port = kNoPort;
  if (source == kSourceInternal) {
    reference = kRefInternal;
  } else if (source >= kSourceTrunkA && source <= kSourceTrunkH) {
    reference = static_cast<uint32_t>(source - kSourceTrunkA);
    port = reference + 1;
  } else if (source == kSourceClockA) {
    reference = kRefClockA;
  } else if (source == kSourceClockB) {
    reference = kRefClockB;
  } else {
    return false;
  }
  return true;
}

bool H100Clocks(const TelephonyRun& run) {
  const MillTagItem none[] = {{0, 0, 0, nullptr}};
  MillArgs clear =
      teleph::ModuleRequest(MILL_FACILITY_CALL_SW, CALL_SW_CLEAR_CONNECTIONS_REQUEST, none);
  clear.use_alt_chan = 0;
  clear.timeout = kExchangeWait;
  VtxResult result{};
  bool cleared = false;
  {
    ChannelAddress to(run.line, kSwitchChannel);
    cleared = teleph::SendFormed(run.line, clear, &result);
  }
  run.Report({TelephonyAction::kClearConnections, kSwitchChannel, {}, cleared, 0});
  if (!cleared || !SetBusClock(run, true)) return false;
  const bool slave = run.record.clock_mode == kSlave;
  uint32_t reference_port = kNoPort;
  if (slave) {
    if (!SetTeleCtrlVariable(run, kBusChannel, TELE_CTRL_H110_SLAVE_SOURCE_VAR,
                             static_cast<uint32_t>(run.record.slave_source), kExchangeWait)) {
      return false;
    }
  } else {
    uint32_t reference = 0;
    if (!SetTeleCtrlVariable(run, kBusChannel, TELE_CTRL_H110_MASTER_DRIVE_VAR,
                             static_cast<uint32_t>(run.record.master_drive), kExchangeWait)) {
      return false;
    }
    if (!MasterReference(run.clock_source, reference, reference_port)) {
      return Invalid(run, "Invalid clock_source, module 0x%X");
    }
    if (!SetTeleCtrlVariable(run, kBusChannel, TELE_CTRL_H110_MASTER_REF_VAR, reference,
                             kExchangeWait)) {
      return false;
    }
  }
  const auto fallback = static_cast<uint32_t>(run.record.master_ref_fallback);
  const uint32_t fallback_port = fallback <= kLastTrunkRef ? fallback + 1 : kNoPort;
  if (!SetTeleCtrlVariable(run, kBusChannel, TELE_CTRL_H110_MASTER_REF_FALLBK_VAR, fallback,
                           kExchangeWait) ||
      !SetTeleCtrlVariable(run, kBusChannel, TELE_CTRL_BUS_SPEED_VAR,
                           static_cast<uint32_t>(run.record.bus_speed), kExchangeWait)) {
    return false;
  }
  for (uint32_t index = 0; index < run.ports; ++index) {
    if (run.port_config[index] != kPortInactive && !run.IsTrunk(index)) continue;
    const bool drives = !slave && (index == reference_port || index == fallback_port);
    if (!SetTeleCtrlVariable(run, PortChannel(index), TELE_CTRL_CLK_CONFIG_VAR,
                             drives ? kClockFromTrunk : kClockFromBus, kNoTimeLimit)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ConfigureClocks(const TelephonyRun& run) {
  if (run.ports == 0) return true;
  if (run.port_config[0] == kPortMvip) return MvipClocks(run);
  if (run.port_config[0] == kPortH1x0) return H100Clocks(run);
  return true;
}

}  // namespace vtx::callctrl
