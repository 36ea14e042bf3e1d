#include "callctrl/config/enum_tables.h"

#include <cstring>

namespace vtx::callctrl {

int32_t EnumIndex(const EnumTable& table, const char* symbol) {
  for (int32_t i = 0; table.entries[i].symbol; ++i) {
    if (std::strcmp(table.entries[i].symbol, symbol) == 0) return i;
  }
  return -1;
}

namespace tables {

// The entries have internal linkage; the tables are the ones the header declares.
#define ENUM_TABLE(var, label, ...)                             \
  const EnumEntry var##Entries[] = {__VA_ARGS__, {0, nullptr}}; \
  const EnumTable var = {label, var##Entries};

ENUM_TABLE(kTraceLevel, "trace level", {0, "none"}, {1, "error"}, {2, "warning"}, {3, "basic"},
           {4, "verbose"})
ENUM_TABLE(kBoolean, "boolean", {0, "false"}, {0, "no"}, {0, "disabled"}, {1, "true"}, {1, "yes"},
           {1, "enabled"}, {0, "0"}, {1, "1"})
ENUM_TABLE(kSetApi, "set_api", {0, "vtx"}, {1, "csmi"}, {0, "ecc"})
ENUM_TABLE(kPcmLaw, "pcm_law", {0, "alaw"}, {1, "mulaw"}, {0, "a-law"}, {1, "ulaw"}, {1, "mu-law"},
           {1, "u-law"})
ENUM_TABLE(kJateRedialRestriction, "jate_redial_restriction", {2, "none"}, {1, "15times"},
           {0, "3in3mins"})
ENUM_TABLE(kPortConfig, "port_config", {0, "inactive"}, {1, "mvip"}, {2, "h1x0"}, {3, "t1_isdn"},
           {4, "t1_robbed_bit"}, {5, "e1_isdn"}, {6, "e1_cas"}, {7, "e1_r2_cas"}, {8, "e1_dpnss"},
           {9, "bri"}, {10, "analog"})
ENUM_TABLE(kEthernetSpeed, "ethernet_speed", {0, "auto"}, {1, "10"}, {2, "100"})
ENUM_TABLE(kEthernetDuplex, "ethernet_duplex", {1, "half"}, {2, "full"})
ENUM_TABLE(kEthernetFlowControl, "ethernet_flow_control", {0, "auto"}, {1, "receive_only"},
           {2, "transmit_only"}, {3, "both"})
ENUM_TABLE(kT38MaxBitRate, "t38_max_bit_rate", {0, "2400"}, {1, "4800"}, {2, "7200"}, {3, "9600"},
           {4, "12000"}, {5, "14400"})
ENUM_TABLE(kT38FaxRateManagement, "t38_fax_rate_management", {9, "transferredtcf"}, {8, "localtcf"})
ENUM_TABLE(kT38FaxUdpEc, "t38_fax_udp_EC", {6, "t38udpredundancy"}, {7, "t38udpfec"})
ENUM_TABLE(kClockMode, "clock_mode", {0, "slave"}, {1, "master"}, {2, "second_master"})
ENUM_TABLE(kClockCompatibility, "clock_compatibility", {0, "none"}, {1, "mvip"}, {2, "scsa"})
ENUM_TABLE(kClockSource, "clock_source", {0, "internal"}, {1, "trunka"}, {2, "trunkb"},
           {3, "trunkc"}, {4, "trunkd"}, {5, "trunke"}, {6, "trunkf"}, {7, "trunkg"}, {8, "trunkh"},
           {9, "netref1"}, {10, "netref2"}, {11, "clock_a"}, {12, "clock_b"}, {11, "clocka"},
           {12, "clockb"})
ENUM_TABLE(kBusSpeed, "bus_speed", {2, "2"}, {4, "4"}, {8, "8"})
ENUM_TABLE(kSlaveSource, "slave_source", {0, "clock_a"}, {1, "clock_b"}, {2, "clock_a_nofallback"},
           {3, "clock_b_nofallback"}, {0, "clocka"}, {1, "clockb"})
ENUM_TABLE(kMasterDrive, "master_drive", {0, "clock_a"}, {1, "clock_b"}, {0, "clocka"},
           {1, "clockb"})
ENUM_TABLE(kMasterRefFallback, "master_ref_fallback", {0, "trunka"}, {1, "trunkb"}, {2, "trunkc"},
           {3, "trunkd"}, {4, "trunke"}, {5, "trunkf"}, {6, "trunkg"}, {7, "trunkh"},
           {10, "disabled"}, {126, "netref1"}, {127, "netref2"}, {128, "internal"}, {8, "clock_a"},
           {9, "clock_b"}, {8, "clocka"}, {9, "clockb"})
ENUM_TABLE(kLineBuildOut, "line_build_out", {0, "0_133"}, {1, "133_266"}, {2, "266_399"},
           {3, "399_533"}, {4, "533_655"}, {5, "7_5_db"}, {6, "15_db"}, {7, "22_5_db"})
ENUM_TABLE(kT1LineCoding, "T1 line_coding", {1, "jbzs"}, {2, "b8zs"}, {4, "zbtsi"}, {5, "ami"})
ENUM_TABLE(kE1LineCoding, "E1 line_coding", {3, "hdb3"}, {5, "ami"})
ENUM_TABLE(kLineType, "line_type", {3, "d4"}, {2, "esf"})
ENUM_TABLE(kLineImpedance, "line_impedance", {0, "75"}, {1, "120"})
ENUM_TABLE(kT1Protocol, "T1 protocol", {0, "att"}, {2, "isdn1"}, {3, "isdn2"}, {1, "nortel"},
           {4, "jate"})
ENUM_TABLE(kE1Protocol, "E1 protocol", {6, "euro"}, {8, "1tr6"}, {9, "vn3"}, {4, "jate"},
           {10, "q931"})
ENUM_TABLE(kEmulation, "emulation", {0, "cpe"}, {0, "te"}, {0, "user"}, {1, "co"}, {1, "network"})
ENUM_TABLE(kNsf, "NSF", {0, "0"}, {1, "1"}, {2, "2"}, {3, "3"}, {4, "4"}, {5, "5"}, {6, "6"},
           {8, "8"}, {16, "16"})
ENUM_TABLE(kSwitchType, "switch_type", {0, "att_4ess"}, {1, "att_5ess"}, {2, "nti_dms100"},
           {3, "nti_dms250"}, {4, "md110_t1"}, {5, "md110_e1"}, {6, "siemens"}, {7, "ntt"},
           {8, "unknown"})
ENUM_TABLE(kCallType, "call_type", {1, "speech"}, {2, "modem"}, {99, "auto"})
ENUM_TABLE(kNumberingPlan, "numbering_plan", {0, "unknown"}, {1, "isdn"}, {2, "telephony"},
           {9, "private"})
ENUM_TABLE(kNumberingType, "numbering_type", {0, "unknown"}, {1, "international"}, {2, "national"},
           {4, "subscriber"}, {6, "abbreviated"})
ENUM_TABLE(kPresentation, "presentation", {0, "allowed"}, {1, "restricted"}, {2, "num_not_avail"})
ENUM_TABLE(kScreening, "screening", {0, "user_not_screened"}, {1, "user_verification_passed"},
           {2, "user_verification_failed"}, {3, "network_provided"})
ENUM_TABLE(kTransferVariant, "transfer_variant", {0, "none"}, {1, "etsi_exp_link"},
           {2, "etsi_imp_link"}, {3, "dpnss"}, {4, "ntt"}, {5, "ntt_mp"}, {6, "tbct"}, {7, "rlt"},
           {8, "hookflash"})
ENUM_TABLE(kLayer2Designation, "layer_2_designation", {0, "a"}, {1, "b"})
ENUM_TABLE(kLayer3Designation, "layer_3_designation", {0, "x"}, {1, "y"})
ENUM_TABLE(kDatalink, "datalink", {0, "auto"}, {1, "point2point"}, {2, "point2multipoint"})

#undef ENUM_TABLE

}  // namespace tables

}  // namespace vtx::callctrl
