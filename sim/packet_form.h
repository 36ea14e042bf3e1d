// Packets as the simulated firmware and driver send them, formed with the library's own packet
// code: the facility travels in the source address (header flag 0x20).
#pragma once

#include <cstdint>
#include <vector>

#include "sim/firmware.h"

namespace sim {

// Forms `packet` for `dest` from `src` (whose byte 0 is replaced by the facility of the
// commands; a command without one takes `facility`). A raw packet is copied as it is.
void FormPacket(const FwPacket& packet, const uint8_t dest[4], const uint8_t src[4],
                uint32_t facility, std::vector<uint8_t>& out);

// Reads the commands of a packet that a host sent into `commands` (replacing what it held, in
// its buffers); false when it cannot be parsed.
bool ReadCommands(const uint8_t* packet, size_t size, uint8_t dest[4],
                  std::vector<FwCommand>& commands);

}  // namespace sim
