// The packet lines of the API trace log for the packets a line sends and receives: one line
// per command at the packet level, "%s%s %s" with the direction, "+" for a priority packet and
// the command's text; "%s TRUNC" at the reset level when the packet ends inside a command.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vtx.h"

namespace vtx::packet {

constexpr char kSent = '>';
constexpr char kReceived = '<';

void TracePacket(const VtxLine* line, const uint8_t* packet, size_t length, char direction);

// "< %s" with the text of one received command (facility, verb and code names, tag ids).
void TraceCommand(const VtxLine* line, const MillArgs* command);

}  // namespace vtx::packet
