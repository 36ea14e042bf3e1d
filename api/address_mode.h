// The full-byte address mode: process-wide, taken from the driver's version reply. Set, an
// address is 4 plain bytes; clear, address bytes are 7-bit values and bit 7 of a byte says that
// another address byte follows. It is set until the first handshake says otherwise.
#pragma once

#include <cstdint>

namespace vtx {

void SetFullByteAddressMode(bool full_byte);
bool FullByteAddressMode();

// The mask that address bytes are compared and shown with: 0xFF or 0x7F.
inline uint8_t AddressByteMask() {
  return FullByteAddressMode() ? 0xFF : 0x7F;
}

}  // namespace vtx
