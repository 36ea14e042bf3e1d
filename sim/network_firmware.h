// The firmware of a module's ethernet interfaces: network settings set, read and saved.
#pragma once

namespace sim {

class Module;

void InstallNetworkFirmware(Module& module);

}  // namespace sim
