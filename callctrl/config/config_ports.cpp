// A port.P section: the keys every port has, then the keys of the port's type in reading order.
#include "callctrl/config/config_internal.h"

namespace vtx::callctrl {
namespace {

using cfg::cfgConfiguration;
namespace t = tables;

constexpr int32_t kEmulationNetwork = 1;
constexpr int32_t kSwitchAtt5ess = 1, kSwitchNtiDms250 = 3;
constexpr int32_t kProtocolIsdn1 = 2, kProtocolIsdn2 = 3;

// sabme is on by default, except towards a network-side emulation.
template <typename Port>
const char* SabmeDefault(const void* record) {
  return static_cast<const Port*>(record)->emulation == kEmulationNetwork ? "false" : "true";
}

const char* BchannelStatusDefault(const void* record) {
  const auto* port = static_cast<const T1IsdnPort*>(record);
  bool sw = port->switch_type == kSwitchAtt5ess || port->switch_type == kSwitchNtiDms250;
  bool protocol = port->protocol == kProtocolIsdn1 || port->protocol == kProtocolIsdn2;
  return sw && protocol ? "true" : "false";
}

// Keys that several port types share, by type.
#define DID_KEYS(T)                                                             \
  KEY_INT_M(T, max_did_digits, 0, 255, 0), KEY_INT_M(T, did_timeout, 0, 20, 5), \
      KEY_BOOL(T, reject_incomplete_did, "false"), KEY_INT(T, did_offset, 0, 63, 0)
#define ROBBED_BIT_TAIL(T)                                                               \
  KEY_BOOL(T, require_answer_signal, "false"), KEY_STR(T, protocol_file, nullptr, true), \
      KEY_INT(T, flash_hook_duration, 1, 500, 50),                                       \
      KEY_ENUM(T, transfer_variant, t::kTransferVariant, "hookflash"),                   \
      KEY_BOOL(T, caller_id, "true"), KEY_INT(T, num_rings, 1, 255, 2),                  \
      KEY_BOOL(T, loop_reversal_for_connect, "false"),                                   \
      KEY_BOOL(T, loop_reversal_for_disconnect, "false")
#define E1_LINE(T)                                    \
  KEY_ENUM(T, line_coding, t::kE1LineCoding, "hdb3"), \
      KEY_ENUM(T, line_impedance, t::kLineImpedance, "120"), KEY_BOOL(T, crc, "enabled")
#define CONN_ACK(T)                                                                     \
  KEY_ENUM(T, call_type, t::kCallType, "auto"), KEY_BOOL(T, disable_conn_ack, "false"), \
      KEY_BOOL(T, wait_for_conn_ack, "false")
#define NUMBERING(T)                                             \
  KEY_ENUM(T, numbering_plan, t::kNumberingPlan, "unknown"),     \
      KEY_ENUM(T, numbering_type, t::kNumberingType, "unknown"), \
      KEY_ENUM(T, presentation, t::kPresentation, "allowed"),    \
      KEY_ENUM(T, screening, t::kScreening, "user_not_screened")
#define OVERLAP_TAIL(T, transfer)                                   \
  KEY_BOOL(T, send_dialcomplete, "true"),                           \
      KEY_ENUM(T, transfer_variant, t::kTransferVariant, transfer), \
      KEY_INT(T, max_overlapped_digits, 1, 24, 20)
#define CALLER_ID(T) KEY_STR(T, default_caller_id, nullptr, true)

const KeySpec kT1Isdn[] = {
    KEY_ENUM(T1IsdnPort, line_build_out, t::kLineBuildOut, "0_133"),
    KEY_ENUM(T1IsdnPort, line_coding, t::kT1LineCoding, "b8zs"),
    KEY_ENUM(T1IsdnPort, protocol, t::kT1Protocol, "att"),
    KEY_ENUM(T1IsdnPort, emulation, t::kEmulation, "cpe"),
    KEY_ENUM(T1IsdnPort, NSF, t::kNsf, "0"),
    KEY_ENUM(T1IsdnPort, switch_type, t::kSwitchType, "att_4ess"),
    CALLER_ID(T1IsdnPort),
    KEY_ENUM_RULE(T1IsdnPort, sabme, t::kBoolean, SabmeDefault<T1IsdnPort>),
    KEY_INT_M(T1IsdnPort, max_did_digits, 0, 255, 0),
    KEY_BOOL(T1IsdnPort, reject_incomplete_did, "false"),
    KEY_INT(T1IsdnPort, did_offset, 0, 63, 0),
    CONN_ACK(T1IsdnPort),
    KEY_ENUM_RULE(T1IsdnPort, wait_for_bchannel_status, t::kBoolean, BchannelStatusDefault),
    NUMBERING(T1IsdnPort),
    KEY_ENUM(T1IsdnPort, transfer_variant, t::kTransferVariant, "tbct"),
};

const KeySpec kT1RobbedBit[] = {
    KEY_ENUM(T1RobbedBitPort, line_build_out, t::kLineBuildOut, "0_133"),
    KEY_ENUM(T1RobbedBitPort, line_coding, t::kT1LineCoding, "b8zs"),
    KEY_ENUM(T1RobbedBitPort, line_type, t::kLineType, "esf"),
    KEY_INT_M(T1RobbedBitPort, max_did_digits, 0, 255, 0),
    KEY_INT_M(T1RobbedBitPort, did_timeout, 0, 20, 5),
    KEY_BOOL(T1RobbedBitPort, reject_incomplete_did, "false"),
    KEY_INT(T1RobbedBitPort, did_offset, 0, 63, 0),
    ROBBED_BIT_TAIL(T1RobbedBitPort),
};

const KeySpec kE1Isdn[] = {
    E1_LINE(E1IsdnPort),
    KEY_ENUM(E1IsdnPort, protocol, t::kE1Protocol, "euro"),
    KEY_ENUM(E1IsdnPort, emulation, t::kEmulation, "cpe"),
    KEY_ENUM(E1IsdnPort, switch_type, t::kSwitchType, "unknown"),
    KEY_ENUM_RULE(E1IsdnPort, sabme, t::kBoolean, SabmeDefault<E1IsdnPort>),
    CALLER_ID(E1IsdnPort),
    DID_KEYS(E1IsdnPort),
    CONN_ACK(E1IsdnPort),
    NUMBERING(E1IsdnPort),
    OVERLAP_TAIL(E1IsdnPort, "etsi_exp_link"),
};

const KeySpec kE1Cas[] = {
    E1_LINE(E1CasPort),
    DID_KEYS(E1CasPort),
    ROBBED_BIT_TAIL(E1CasPort),
};

const KeySpec kE1R2Cas[] = {
    E1_LINE(E1R2CasPort),
    KEY_STR(E1R2CasPort, protocol_file, nullptr, true),
    CALLER_ID(E1R2CasPort),
    KEY_INT_M(E1R2CasPort, max_did_digits, 0, 255, 4),
};

const KeySpec kE1Dpnss[] = {
    E1_LINE(E1DpnssPort),
    CALLER_ID(E1DpnssPort),
    DID_KEYS(E1DpnssPort),
    KEY_ENUM(E1DpnssPort, layer_2_designation, t::kLayer2Designation, "a"),
    KEY_ENUM(E1DpnssPort, layer_3_designation, t::kLayer3Designation, "x"),
    OVERLAP_TAIL(E1DpnssPort, "dpnss"),
};

#define MSN(n) KEY_STR_NAMED(BriPort, "msn_" #n, msn[n], nullptr, false)
const KeySpec kBri[] = {
    KEY_ENUM(BriPort, datalink, t::kDatalink, "auto"),
    KEY_ENUM(BriPort, emulation, t::kEmulation, "cpe"),
    KEY_BOOL(BriPort, preferred, "true"),
    KEY_STR(BriPort, spid, nullptr, false),
    KEY_STR(BriPort, default_caller_id_channel_0, nullptr, false),
    KEY_STR(BriPort, default_caller_id_channel_1, nullptr, false),
    MSN(0),
    MSN(1),
    MSN(2),
    MSN(3),
    MSN(4),
    MSN(5),
    MSN(6),
    MSN(7),
    MSN(8),
    MSN(9),
    DID_KEYS(BriPort),
    CONN_ACK(BriPort),
    NUMBERING(BriPort),
    OVERLAP_TAIL(BriPort, "etsi_imp_link"),
};
#undef MSN

const KeySpec kAnalog[] = {
    KEY_STR(AnalogPort, protocol_file, nullptr, true),
    KEY_STR(AnalogPort, country, nullptr, true),
    KEY_INT(AnalogPort, input_gain, -6, 6, 0),
    KEY_INT(AnalogPort, output_gain, -6, 6, 0),
    KEY_BOOL(AnalogPort, caller_id, "true"),
    KEY_INT(AnalogPort, num_rings, 1, 255, 2),
    KEY_INT(AnalogPort, flash_hook_duration, 1, 500, 50),
    KEY_INT(AnalogPort, missing_wait, 0, 1000, 100),
    KEY_INT_M(AnalogPort, max_did_digits, 0, 255, 0),
    KEY_ENUM(AnalogPort, transfer_variant, t::kTransferVariant, "hookflash"),
    KEY_BOOL(AnalogPort, loop_reversal_for_connect, "false"),
    KEY_BOOL(AnalogPort, loop_reversal_for_disconnect, "false"),
};

#undef DID_KEYS
#undef ROBBED_BIT_TAIL
#undef E1_LINE
#undef CONN_ACK
#undef NUMBERING
#undef OVERLAP_TAIL
#undef CALLER_ID

struct PortKeys {
  const KeySpec* keys;
  size_t count;
};

// The type-specific keys by port_config value; null for types that have none.
PortKeys KeysOf(int32_t port_config) {
  switch (port_config) {
    case kPortT1Isdn:
      return {kT1Isdn, std::size(kT1Isdn)};
    case kPortT1RobbedBit:
      return {kT1RobbedBit, std::size(kT1RobbedBit)};
    case kPortE1Isdn:
      return {kE1Isdn, std::size(kE1Isdn)};
    case kPortE1Cas:
      return {kE1Cas, std::size(kE1Cas)};
    case kPortE1R2Cas:
      return {kE1R2Cas, std::size(kE1R2Cas)};
    case kPortE1Dpnss:
      return {kE1Dpnss, std::size(kE1Dpnss)};
    case kPortBri:
      return {kBri, std::size(kBri)};
    case kPortAnalog:
      return {kAnalog, std::size(kAnalog)};
    default:
      return {nullptr, 0};
  }
}

}  // namespace

void LoadPortKeys(CallCtrlConfig* config, ModuleConfigRecord* module, uint32_t number) {
  static const KeySpec kCommon[] = {
      KEY_ENUM(PortConfigRecord, port_config, t::kPortConfig, "inactive"),
      KEY_INT(PortConfigRecord, fractional_start_channel, 0, 29, 0),
      KEY_INT(PortConfigRecord, wait_for_service_timeout, 0, 10000, 10),
  };
  PortConfigRecord* port = &module->ports[number - 1];
  ReadKeys(config, kCommon, port);
  ReadSigned(config, "fractional_channel_count", -1, 29, -1, port->fractional_start_channel != 0,
             &port->fractional_channel_count);
  if (port->port_config < kPortInactive || port->port_config > kPortAnalog) {
    ReportConfigMessage(config, cfgConfiguration::kError, KeyLine(config, "port_config"),
                        "invalid port configuration encountered for module.%x/port.%x.\n This "
                        "port configuration may not be stable.",
                        module->module_number, number);
    return;
  }
  PortKeys keys = KeysOf(port->port_config);
  if (keys.keys) ReadKeys(config, keys.keys, keys.count, &port->protocol);
}

}  // namespace vtx::callctrl
