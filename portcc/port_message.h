// Port messages: the 512-byte records through which a port's call control hands the board its
// protocol (type 198) and its line coefficients (type 203).
//
// Layout, zero-filled: the port's identifier byte at 0, the message type at 1, a 16-bit selector
// at 4, the bytes 0 and 1 at 8 and 9, the data size twice as 32-bit words at 20 and 24, and at
// most 484 data bytes from 28.
//
// The sender: an ECC REQUEST PORT_MESSAGE (0x0F) on the module's administration line, addressed
// to the port's channel (port index + 2) and carrying the whole message as the Byte tag
// PORT_MESSAGE (0x01). The board keeps the last message of each type per port and answers, from
// the port's channel, with an ECC EVENT PORT_MESSAGE_DONE (0x11) holding PORT_MESSAGE_TYPE
// (0x02) and RESULT_CODE (0 accepted); that answer reaches the port through the module's event
// dispatch like every other packet.
#pragma once

#include <array>
#include <cstdint>

#include "vtx.h"

namespace vtx::portcc {

constexpr uint32_t kPortMessageSize = 512;
constexpr uint32_t kPortMessageDataOffset = 28;
constexpr uint32_t kPortMessageMaxData = kPortMessageSize - kPortMessageDataOffset;  // 484
constexpr uint8_t kProtocolMessageType = 198;
constexpr uint8_t kCoefficientMessageType = 203;
// The selector of a coefficient message that applies to every line of the port.
constexpr uint16_t kEveryLine = 0xFFFF;

using PortMessage = std::array<uint8_t, kPortMessageSize>;

// Forms a message of `type` carrying `size` bytes of `data`; false when they do not fit.
bool FormPortMessage(uint8_t port_id, uint8_t type, uint16_t selector, const uint8_t* data,
                     uint32_t size, PortMessage* message);

// Sends `message` to port `port` of module `module` on the administration line; a failure is
// traced as "{module, port, type} : SendCSMIMessage Failed". True when the message was sent.
bool SendPortMessage(VtxLine* admin_line, uint32_t module, uint32_t port,
                     const PortMessage& message);

}  // namespace vtx::portcc
