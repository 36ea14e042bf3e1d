// The telephony side of a module in a machine description file, as subsections of its
// [module.N] section:
//
//   [module.N/hardware_port.I]  unit, port_types, reset_result   a telephony hardware port
//                               (port_types 0x4 or 0x20 on unit 0: an MVIP or H.100 bus)
//   [module.N/telephony_control] params_save_result         what a parameter save answers
//   [module.N/switch_port.I]    class, unit, stream, slot, port_type   a port of the switch
//   [module.N/media]            address, port_first, port_last   what IP sides are given
//   [module.N/ethernet.I]       address, netmask, gateway, speed, duplex, flow_control,
//                               arp_timeout, mac            an ethernet interface (I from 1)
//
// Addresses are dotted (192.0.2.2), a MAC six hexadecimal bytes (00:1C:7A:00:02:01). Each kind
// that a module names replaces the module's default ports or interfaces of that kind, in the
// order of I; a kind it does not name keeps the default.
#pragma once

#include "cfg/cfg_section.h"
#include "sim/machine_file_values.h"
#include "sim/telephony.h"

namespace sim {

// Loads `sub`, a subsection of a module's section, into `telephony` when it is a telephony
// subsection; false when it is not one. The ports or interfaces of a kind are all read when the
// first subsection of that kind is met.
bool LoadTelephonySection(const vtx::cfg::cfgSection& sub, Telephony& telephony,
                          const ProblemReport& report);

}  // namespace sim
