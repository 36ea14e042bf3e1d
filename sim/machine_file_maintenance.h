// The board maintenance side of a module in a machine description file, the subsection
//
//   [module.N/maintenance]
//   image_check=crc32        crc32 (default): an image whose last four bytes are not the
//                            CRC-32 of the rest ends with "CRC error"; none: every image is taken
//   control_proc_reset=1     a good control-processor image (type 2) asks for a module reset
//   temperature=42           degrees Celsius that the board reads (-32768 to 32767; default 42)
//   board_state=0            the board state word before anything sets it
#pragma once

#include "cfg/cfg_section.h"
#include "sim/machine_file_values.h"

namespace sim {

class Module;

// Loads `sub` into `module` when it is the maintenance subsection; false when it is not.
bool LoadMaintenanceSection(const vtx::cfg::cfgSection& sub, Module& module,
                            const ProblemReport& report);

}  // namespace sim
