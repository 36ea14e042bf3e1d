// What a board's firmware does for the host call-control framework: the ISDN facility's reset
// and control channel (reporting the ISDN firmware version), and the ADMIN facility's board
// notification start and finish.
#pragma once

#include <cstdint>

namespace sim {

class Module;

struct CallControlFirmware {
  uint8_t isdn_version[3] = {64, 0, 7};  // 7.0.64, lowest byte first, as the firmware sends it
  bool control_started = false;          // the ISDN control channel runs
  uint32_t notify_types = 0;             // bit N: board notification of type N is on
};

void InstallCallControlFirmware(Module& module);

}  // namespace sim
