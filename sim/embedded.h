// The machine that the embedded transport serves: built on first use from the machine file that
// TARROW_SIM_BOARD names, or the built-in default machine. Tests put a machine of their own in
// its place.
#pragma once

#include <memory>
#include <string>

#include "sim/machine.h"

namespace sim {

Machine& EmbeddedMachine();
// Why the machine file could not be used ("" when it could, or none was named); the embedded
// machine then has no modules and the driver refuses to open.
const std::string& EmbeddedMachineError();
// Replaces the embedded machine; null builds it again on next use. Connections of the old machine
// are gone with it.
void ReplaceEmbeddedMachine(std::unique_ptr<Machine> machine);

// The machine a program serves: from `path` when it is not empty, else the default machine.
// Null, with the problems in `error`, when the file is refused.
std::unique_ptr<Machine> BuildMachine(const std::string& path, std::string& error);

}  // namespace sim
