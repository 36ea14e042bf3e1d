// The telephony and clock configuration of a board module, done by the process that is the
// module's master: its first ethernet interface, every port's line settings, the clocks of its
// time-division bus (MVIP or H.100), a reset of every port controller and an optional PCPM
// table. The board's telephony critical section makes sure that only the first start-up on the
// machine does it, in whichever process; later ones find it configured and send nothing.
//
// Port index 0 is the module's bus interface: an MVIP one when its port-type word has 0x4, an
// H.100 one with 0x20, else inactive. Port index P from 1 is a trunk configured by the [port.P]
// section of the module (the record's ports[P - 1]). The port of index P is served on channel
// P + 2 of the administration line's module.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "callctrl/board_type.h"
#include "callctrl/config/config_records.h"
#include "vtx.h"

namespace vtx::callctrl {

// Ports a module's telephony configuration covers: the bus interface and eight trunks.
constexpr uint32_t kTelephonyPorts = 9;

// One thing the configuration did, for a caller that shows it.
struct TelephonyAction {
  enum Kind {
    kSectionAcquired,   // result: the section's mark (non-zero: configured already)
    kEthernet,          // result: what the network configuration returned
    kPortCommand,       // tags: the TELE_CTRL SET of a port
    kClearConnections,  // the switch's connections cleared before the H.100 clocks
    kClockVariable,     // tags: one TELE_CTRL variable of the clocks
    kControllerReset,   // result: the reset's RESULT_CODE
    kPcpmTable,         // result: 0, or the error of loading or storing the table
    kSectionReleased,
  };
  Kind kind;
  uint32_t channel = 0;
  std::vector<std::pair<uint32_t, uint32_t>> tags;  // tag id, value
  bool ok = true;
  uint32_t result = 0;
};
using TelephonyObserver = std::function<void(const TelephonyAction&)>;

// Configures the telephony of the module of `admin_line` from its `record`, with the port-type
// words of the `port_count` ports the board reported (by port index; ports past the ninth are
// not configured) and its `board_type`. False when a port command, the clocks or the reset
// failed, when a port's configuration is not one the board knows (nothing is sent then), or
// when the critical section could not be taken. Every step is traced in the call-control trace;
// `observer`, when given, sees each one.
bool ConfigureTelephony(VtxLine* admin_line, const ModuleConfigRecord& record,
                        const uint32_t* port_types, uint32_t port_count, uint32_t board_type,
                        const TelephonyObserver& observer = nullptr);

}  // namespace vtx::callctrl
