// What start-up learns about a module before it configures anything: whether it exists, whether
// its firmware runs, which board it is, and its ports.
#pragma once

#include <cstdint>

#include "callctrl/board/board_module.h"

namespace vtx::callctrl {

// The refinement once the ports are known: ORMSBY and HALVARD with a typed port 0 are their bus
// interface variants, and such a HALVARD takes its clock from inside rather than from a trunk.
void RefineBoardType(BoardModule& module);

// True when the module exists with hardware: ModuleExists traces when it does not, ModulePresent
// asks quietly.
bool ModuleExists(uint32_t module_number);
bool ModulePresent(uint32_t module_number);

// Firmware state, board type, channels and ports on the administration line; the master also
// resets the line with the user preference file. False with its message.
bool QueryCapabilities(BoardModule& module);

}  // namespace vtx::callctrl
