// Frames on the daemon's socket: u32 little-endian length, then that many bytes. Both ends use
// these two functions; a frame larger than kMaxFrame is refused.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/wire.h"

namespace sim {

constexpr size_t kMaxFrame = 1 << 20;

// Frame kinds, the first byte of a client's frame.
constexpr uint8_t kFrameOpen = 'O';     // then the device name; answered by a u32 errno
constexpr uint8_t kFrameRequest = 'R';  // then a marshalled request; answered by its response
constexpr uint8_t kFrameClose = 'C';    // closes the handle, keeps the connection; a u32 0 answers

bool WriteFrame(int fd, const uint8_t* bytes, size_t size);
// False on end of file, a read error or a frame that is too large.
bool ReadFrame(int fd, wire::Bytes& out);

}  // namespace sim
