// The machine that the embedded transport serves: built on first use from TARROW_SIM_BOARD, or
// the built-in default machine. Tests put a machine of their own in its place.
#pragma once

#include <memory>

#include "sim/machine.h"

namespace sim {

Machine& EmbeddedMachine();
// Replaces the embedded machine; null builds it again on next use. Connections of the old machine
// are gone with it.
void ReplaceEmbeddedMachine(std::unique_ptr<Machine> machine);

}  // namespace sim
