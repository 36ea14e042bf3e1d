#include "sim/frame_io.h"

#include "os/local_socket.h"

namespace sim {
namespace {

// The body bytes that the first read of a frame takes along with its header.
constexpr size_t kFirstRead = 4096;

bool ReadAll(int fd, uint8_t* bytes, size_t size) {
  while (size > 0) {
    const ptrdiff_t n = os::SocketRead(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteFrame(int fd, const uint8_t* bytes, size_t size) {
  uint8_t header[4];
  for (int i = 0; i < 4; ++i) header[i] = static_cast<uint8_t>(size >> (8 * i));
  return os::SocketWriteAll(fd, header, sizeof header, bytes, size);
}

bool ReadFrame(int fd, wire::Bytes& out) {
  // The header and as much of the body as arrived, in one call: a reply that is already there
  // costs one read. The peer answers each frame with one frame and sends nothing unasked, so
  // bytes beyond the frame are a peer that does not speak the protocol.
  uint8_t first[4 + kFirstRead];
  size_t got = 0;
  while (got < 4) {
    const ptrdiff_t n = os::SocketRead(fd, first + got, sizeof first - got);
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  const size_t size = static_cast<size_t>(first[0]) | static_cast<size_t>(first[1]) << 8 |
                      static_cast<size_t>(first[2]) << 16 | static_cast<size_t>(first[3]) << 24;
  const size_t body = got - 4;
  if (size > kMaxFrame || body > size) return false;
  out.assign(first + 4, first + got);
  out.resize(size);
  return ReadAll(fd, out.data() + body, size - body);
}

}  // namespace sim
