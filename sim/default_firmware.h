// The firmware of a healthy board: what every simulated module answers unless a test replaces it.
#pragma once

namespace sim {

class Module;

// SET stores the variables of its tags; GET answers GET_RSP with the requested variables.
void InstallDefaultFirmware(Module& module);

}  // namespace sim
