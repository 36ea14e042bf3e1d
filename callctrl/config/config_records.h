// The plain records a call-control configuration is read into: one per board module (with its
// ports, clock, ethernet and host call-control settings) and one per host module. Enumerated and
// integer values are 32-bit integers, strings fixed NUL-terminated arrays.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::callctrl {

constexpr uint32_t kMaxPorts = 9;           // port.1 .. port.9
constexpr uint32_t kMaxEthernet = 2;        // ethernet.1 .. ethernet.2
constexpr uint32_t kMaxHostCc = 9;          // host_cc.1 .. host_cc.9
constexpr uint32_t kMaxHostModule = 9;      // host_module.1 .. host_module.9
constexpr uint32_t kMaxLibraryKeys = 1024;  // keys a host module library may report

// port_config values.
enum PortConfig : int32_t {
  kPortInactive = 0,
  kPortMvip = 1,
  kPortH1x0 = 2,
  kPortT1Isdn = 3,
  kPortT1RobbedBit = 4,
  kPortE1Isdn = 5,
  kPortE1Cas = 6,
  kPortE1R2Cas = 7,
  kPortE1Dpnss = 8,
  kPortBri = 9,
  kPortAnalog = 10,
};

struct T1IsdnPort {
  int32_t line_build_out, line_coding, protocol, emulation, NSF, switch_type;
  char default_caller_id[15];
  int32_t sabme, max_did_digits, reject_incomplete_did, did_offset, call_type, disable_conn_ack,
      wait_for_conn_ack, wait_for_bchannel_status, numbering_plan, numbering_type, presentation,
      screening, transfer_variant;
};

struct T1RobbedBitPort {
  int32_t line_build_out, line_coding, line_type, max_did_digits, did_timeout,
      reject_incomplete_did, did_offset, require_answer_signal;
  char protocol_file[260];
  int32_t flash_hook_duration, transfer_variant, caller_id, num_rings, loop_reversal_for_connect,
      loop_reversal_for_disconnect;
};

struct E1IsdnPort {
  int32_t line_coding, line_impedance, crc, protocol, emulation, switch_type, sabme;
  char default_caller_id[15];
  int32_t max_did_digits, did_timeout, reject_incomplete_did, did_offset, call_type,
      disable_conn_ack, wait_for_conn_ack, numbering_plan, numbering_type, presentation, screening,
      send_dialcomplete, transfer_variant, max_overlapped_digits;
};

struct E1CasPort {
  int32_t line_coding, line_impedance, crc, max_did_digits, did_timeout, reject_incomplete_did,
      did_offset, require_answer_signal;
  char protocol_file[260];
  int32_t flash_hook_duration, transfer_variant, caller_id, num_rings, loop_reversal_for_connect,
      loop_reversal_for_disconnect;
};

struct E1R2CasPort {
  int32_t line_coding, line_impedance, crc;
  char protocol_file[260];
  char default_caller_id[15];
  int32_t max_did_digits;
};

struct E1DpnssPort {
  int32_t line_coding, line_impedance, crc;
  char default_caller_id[15];
  int32_t max_did_digits, did_timeout, reject_incomplete_did, did_offset, layer_2_designation,
      layer_3_designation, send_dialcomplete, transfer_variant, max_overlapped_digits;
};

struct BriPort {
  int32_t datalink, emulation, preferred;
  char spid[15];
  char default_caller_id_channel_0[15];
  char default_caller_id_channel_1[15];
  char msn[10][15];  // msn_0 .. msn_9
  int32_t max_did_digits, did_timeout, reject_incomplete_did, did_offset, call_type,
      disable_conn_ack, wait_for_conn_ack, numbering_plan, numbering_type, presentation, screening,
      send_dialcomplete, transfer_variant, max_overlapped_digits;
};

struct AnalogPort {
  char protocol_file[260];
  char country[260];
  int32_t input_gain, output_gain, caller_id, num_rings, flash_hook_duration, missing_wait,
      max_did_digits, transfer_variant, loop_reversal_for_connect, loop_reversal_for_disconnect;
};

struct PortConfigRecord {
  int32_t port_config;
  int32_t fractional_start_channel;
  int32_t fractional_channel_count;
  int32_t wait_for_service_timeout;
  int32_t port_type;  // from the board's telephony information, at start-up
  union {
    T1IsdnPort t1_isdn;
    T1RobbedBitPort t1_robbed_bit;
    E1IsdnPort e1_isdn;
    E1CasPort e1_cas;
    E1R2CasPort e1_r2_cas;
    E1DpnssPort e1_dpnss;
    BriPort bri;
    AnalogPort analog;
  } protocol;
};

struct EthernetConfig {
  char ip_interface[256];
  int32_t dhcp;
  char ip_address[32];
  char ip_netmask[32];
  char ip_gateway[32];
  char ip_broadcast[32];
  int32_t ip_arp_timeout;
  int32_t ethernet_speed;
  int32_t ethernet_duplex;
  int32_t ethernet_flow_control;
  int32_t media_port_min;
  int32_t media_port_max;
};

struct HostCcConfig {
  int32_t host_module;
  int32_t number_of_channels;
};

// clock_config_style values.
constexpr uint32_t kClockStyleSec8k = 1;
constexpr uint32_t kClockStyleBus = 2;

struct ModuleConfigRecord {
  uint32_t module_number;
  uint32_t clock_config_style;
  int32_t bus_speed;
  int32_t master_drive;
  int32_t slave_source;
  int32_t master_ref_fallback;
  int32_t clock_mode;
  int32_t clock_source;
  int32_t clock_compatibility;
  int32_t sec8k;
  PortConfigRecord ports[kMaxPorts];  // port.P at index P-1
  int32_t subsections_read;
  int32_t set_api;
  int32_t auto_connect;
  char connections[259];
  int32_t pcm_law;
  int32_t jate_redial_restriction;
  char jate_emergency_number[10][24];
  int32_t channels;
  char vb_firm[259];
  char user_preference_file[259];         // filled at start-up
  EthernetConfig ethernet[kMaxEthernet];  // ethernet.E at index E-1
  HostCcConfig host_cc[kMaxHostCc];       // host_cc.C at index C-1
};

// Types of a host module library's configuration keys.
enum HostKeyType : uint32_t { kHostKeyString = 0, kHostKeySigned = 1, kHostKeyUnsigned = 2 };

struct HostModuleKeyValue {
  char name[260];
  uint32_t type;
  union {
    char text[260];
    int32_t signed_value;
    uint32_t unsigned_value;
  } value;
};

// The T.38 keys of a host module, in the order of the T.38 parameter record, then the media
// renegotiation delays.
struct T38Config {
  int32_t t38_version;  // not configured; always 0 here
  int32_t t38_max_bit_rate;
  int32_t t38_fax_fill_bit_removal;
  int32_t t38_fax_transcoding_MMR;
  int32_t t38_fax_transcoding_JBIG;
  int32_t t38_fax_rate_management;
  int32_t t38_fax_max_buffer;
  int32_t t38_fax_max_datagram_recv;
  int32_t t38_fax_udp_EC;
  int32_t t38_fax_max_datagram_send;
  int32_t t38_UDPTL_redundancy_depth_control;
  int32_t t38_UDPTL_redundancy_depth_image;
  int32_t t38_t30_fast_notify;
  int32_t media_renegotiate_delay_inbound;
  int32_t media_renegotiate_delay_outbound;
};

// The key values are owned by the record (malloc'd, freed with the configuration).
struct HostModuleConfigRecord {
  uint32_t number;
  char module_library[259];
  uint8_t enabled;
  int32_t inbound_call_timeout;
  int32_t media_use_unique_port;
  int32_t ip_stack_trace;  // copied at start-up
  T38Config t38;
  uint32_t key_count;
  HostModuleKeyValue* keys;
};

}  // namespace vtx::callctrl
