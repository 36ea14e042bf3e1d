// Frames on the daemon's socket: u32 little-endian length, then that many bytes. The library's
// side writes and reads them with these two functions (the daemon assembles its frames without
// blocking, sim/daemon_client.cpp); a frame larger than kMaxFrame is refused.
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
// One read when the frame has arrived whole. False on end of file, a read error, a frame that is
// too large or bytes beyond the frame (the peer answers one frame with one frame).
bool ReadFrame(int fd, wire::Bytes& out);

}  // namespace sim
