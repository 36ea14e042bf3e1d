#include "callctrl/telephony/port_command.h"

#include "callctrl/telephony/telephony_run.h"
#include "tele_ctrl.h"
#include "teleph/request.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

namespace cc = trace::cc;

// Port-type words, line types and signalling modes the command sets.
constexpr uint32_t kTypeInactive = 0x1000, kTypeMvip = 0x4, kTypeH1x0 = 0x20,
                   kTypeH1x0Mvip = 0x8000, kTypeT1Isdn = 0x100, kTypeT1RobbedBit = 0x40,
                   kTypeE1Isdn = 0x200, kTypeE1Cas = 0x80, kTypeBri = 0x800, kTypeAnalog = 0x1;
constexpr uint32_t kLineTypeNone = 0x1000, kLineTypeT1Isdn = 2, kLineTypeBri = 4;
constexpr uint32_t kLineTypeCrc = 4, kLineTypeNoCrc = 5;  // E1 ISDN and DPNSS
constexpr uint32_t kLineTypeCasCrc = 6, kLineTypeCasNoCrc = 7;
constexpr uint32_t kLineCodingBri = 3;
constexpr uint32_t kDataLinkRobbedBit = 2;
constexpr uint32_t kSignalProtocolNone = 255, kLoopbackOff = 1;
constexpr uint32_t kSignalModeIsdn = 4, kSignalModeCas = 3;
constexpr int32_t kClockCompatibilityMvip = 1;
constexpr uint32_t kNoValue = 0xFFFFFFFF;  // the tag is not sent

// The settings of one port command; kNoValue leaves a tag out.
struct PortSettings {
  uint32_t port_type = kTypeInactive;
  uint32_t line_type = kLineTypeNone;
  uint32_t build_out = 0;
  uint32_t line_coding = kNoValue;
  uint32_t data_link = kNoValue;
  uint32_t signal_mode = kNoValue;
};

uint32_t U(int32_t value) {
  return static_cast<uint32_t>(value);
}

// The settings of a trunk from its [port.P] record; false for a configuration the board does
// not know.
bool TrunkSettings(int32_t config, const PortConfigRecord& port, PortSettings& s) {
  const auto& p = port.protocol;
  switch (config) {
    case kPortT1Isdn:
      s = {kTypeT1Isdn, kLineTypeT1Isdn, U(p.t1_isdn.line_build_out), U(p.t1_isdn.line_coding),
           kNoValue,    kSignalModeIsdn};
      return true;
    case kPortT1RobbedBit:
      s = {kTypeT1RobbedBit,
           U(p.t1_robbed_bit.line_type),
           U(p.t1_robbed_bit.line_build_out),
           U(p.t1_robbed_bit.line_coding),
           kDataLinkRobbedBit,
           kSignalModeCas};
      return true;
    case kPortE1Isdn:
      s = {kTypeE1Isdn,
           p.e1_isdn.crc != 0 ? kLineTypeCrc : kLineTypeNoCrc,
           U(p.e1_isdn.line_impedance),
           U(p.e1_isdn.line_coding),
           kNoValue,
           kSignalModeIsdn};
      return true;
    case kPortE1Cas:
      s = {kTypeE1Cas,
           p.e1_cas.crc != 0 ? kLineTypeCasCrc : kLineTypeCasNoCrc,
           U(p.e1_cas.line_impedance),
           U(p.e1_cas.line_coding),
           kNoValue,
           kSignalModeCas};
      return true;
    case kPortE1R2Cas:
      s = {kTypeE1Cas,
           p.e1_r2_cas.crc != 0 ? kLineTypeCasCrc : kLineTypeCasNoCrc,
           U(p.e1_r2_cas.line_impedance),
           U(p.e1_r2_cas.line_coding),
           kNoValue,
           kSignalModeCas};
      return true;
    case kPortE1Dpnss:
      s = {kTypeE1Cas,
           p.e1_dpnss.crc != 0 ? kLineTypeCrc : kLineTypeNoCrc,
           U(p.e1_dpnss.line_impedance),
           U(p.e1_dpnss.line_coding),
           kNoValue,
           kSignalModeIsdn};
      return true;
    case kPortBri:
      s = {kTypeBri, kLineTypeBri, 0, kLineCodingBri, kNoValue, kSignalModeIsdn};
      return true;
    case kPortAnalog:
      s = {kTypeAnalog, kLineTypeNone, 0, kNoValue, kNoValue, kSignalModeCas};
      return true;
    default:
      return false;
  }
}

// False for a configuration the board does not know.
bool Settings(const TelephonyRun& run, uint32_t index, PortSettings& s) {
  switch (run.port_config[index]) {
    case kPortInactive:
      return true;
    case kPortMvip:
      s.port_type = kTypeMvip;
      return true;
    case kPortH1x0:
      s.port_type =
          run.record.clock_compatibility == kClockCompatibilityMvip ? kTypeH1x0Mvip : kTypeH1x0;
      return true;
    default:
      return index > 0 && TrunkSettings(run.port_config[index], run.record.ports[index - 1], s);
  }
}

constexpr size_t kMaxPortTags = 9;

// The tags of port `index` into `items` (ended by an id 0) and into the action's report.
void PortCommandTags(const TelephonyRun& run, uint32_t index, MillTagItem* items,
                     TelephonyAction& action) {
  PortSettings s;
  Settings(run, index, s);
  size_t n = 0;
  auto add = [&](uint32_t id, uint32_t type, uint32_t value) {
    if (value == kNoValue) return;
    items[n++] = {id, type, 0, MILL_TAG_VALUE(value)};
    action.tags.emplace_back(id, value);
  };
  auto add_int = [&](uint32_t id, uint32_t value) { add(id, ByteOrShort(value), value); };
  add(TELE_CTRL_PORT_TYPE_VAR, MILL_TYPE_LONG, s.port_type);
  add_int(TELE_CTRL_LINE_TYPE_VAR, s.line_type);
  add_int(TELE_CTRL_T1_LINE_BUILD_OUT_VAR, s.build_out);
  add_int(TELE_CTRL_LINE_CODING_VAR, s.line_coding);
  add_int(TELE_CTRL_FACILITIES_DATA_LINK_VAR, s.data_link);
  add_int(TELE_CTRL_LINE_ENCODING_VAR, U(run.record.pcm_law));
  add_int(TELE_CTRL_T1_SIGNAL_PROTOCOL_VAR, kSignalProtocolNone);
  add_int(TELE_CTRL_LINE_LOOPBACK_VAR, kLoopbackOff);
  add_int(TELE_CTRL_SIGNAL_MODE_VAR, s.signal_mode);
  items[n] = {0, 0, 0, nullptr};
}

}  // namespace

bool PortKnown(const TelephonyRun& run, uint32_t index) {
  PortSettings s;
  return Settings(run, index, s);
}

bool ConfigurePorts(const TelephonyRun& run) {
  for (uint32_t index = 0; index < run.ports; ++index) {
    MillTagItem items[kMaxPortTags + 1];
    TelephonyAction action{TelephonyAction::kPortCommand, PortChannel(index), {}, true, 0};
    PortCommandTags(run, index, items, action);
    MillArgs send = teleph::ModuleRequest(MILL_FACILITY_TELE_CTRL, 0, items);
    send.verb = MILL_VERB_SET;
    send.use_alt_chan = 0;
    VtxResult result{};
    {
      ChannelAddress to(run.line, action.channel);
      action.ok = teleph::SendFormed(run.line, send, &result);
    }
    run.Report(action);
    if (!action.ok) {
      cc::TraceLine(run.line, cc::kInternalTrace, cc::kLevelError,
                    "Error configuring telephony, port %d, module 0x%X", index, run.module());
      return false;
    }
  }
  return true;
}

}  // namespace vtx::callctrl
