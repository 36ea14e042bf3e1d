// The firmware of a module's telephony hardware list and time-slot switch.
#pragma once

namespace sim {

class Module;

// TELE_CTRL RESOURCE_LIST, and CALL_SW RESOURCE_LIST, PCM_CONN, CLEAR_CONNECTIONS and the
// query of a connection by number.
void InstallSwitchFirmware(Module& module);

}  // namespace sim
