// The master's check of a module's configuration against its board: the IP call-control objects
// of its host_cc entries when it has an ethernet interface, and a port call-control object for
// every reported port that the configuration gives a protocol.
#pragma once

#include "callctrl/board/board_module.h"

namespace vtx::callctrl {

// True when the module has an ethernet interface: a "MACAddr1" text feature, or a virtual board.
bool HasEthernet(BoardModule& module);

// Creates and initialises the objects; false (with its message) when a port has no object or an
// object does not initialise.
bool VerifyConfiguration(BoardModule& module);

// Destroys every object of the module.
void DestroyObjects(BoardModule& module);

}  // namespace vtx::callctrl
