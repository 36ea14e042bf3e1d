// Machine description files: a simulated machine's driver and modules in the sectioned text of
// the configuration files. A file that names an unknown key or holds a wrong value is refused
// whole, with every problem as "FILE:LINE: expected X, got Y": a machine that silently differed
// from its description would mislead every test run on it.
//
//   [driver]                      driver_version, driver_build, pipr_version,
//                                 interface_version, full_byte_address_mode
//   [module.N]                    N the module number (decimal or 0x hexadecimal); keys named as
//                                 the module information record's fields (name, num_channels,
//                                 bus_type, hw_type, boot_ver_major, ...) and `facilities`, a
//                                 list of facility names
//   [module.N/config_spec.S]      value, description
//   [module.N/capabilities.F]     the capability list of facility F
//   (sim/machine_file_capabilities.h) [module.N/hardware_port.I], [module.N/switch_port.I],
//   [module.N/media], [module.N/ethernet.I]         the module's telephony side
//   (sim/machine_file_telephony.h)
#pragma once

#include <string>

#include "sim/machine.h"

namespace sim {

// Fills `machine` from the file; false with the problems, one a line, in `error`.
bool LoadMachineFile(const std::string& path, Machine& machine, std::string& error);

}  // namespace sim
