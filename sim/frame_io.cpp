#include "sim/frame_io.h"

#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

namespace sim {
namespace {

// The body bytes that the first read of a frame takes along with its header.
constexpr size_t kFirstRead = 4096;

bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    ssize_t n = send(fd, bytes, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, uint8_t* bytes, size_t size) {
  while (size > 0) {
    ssize_t n = read(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
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
  // Header and body in one call, so that the peer wakes once per frame.
  iovec parts[2] = {{header, 4}, {const_cast<uint8_t*>(bytes), size}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = 2;
  ssize_t sent;
  do {
    sent = sendmsg(fd, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent < 0) return false;
  size_t done = static_cast<size_t>(sent);
  if (done < 4) return WriteAll(fd, header + done, 4 - done) && WriteAll(fd, bytes, size);
  return WriteAll(fd, bytes + (done - 4), size - (done - 4));
}

bool ReadFrame(int fd, wire::Bytes& out) {
  // The header and as much of the body as arrived, in one call: a reply that is already there
  // costs one read. The peer answers each frame with one frame and sends nothing unasked, so
  // bytes beyond the frame are a peer that does not speak the protocol.
  uint8_t first[4 + kFirstRead];
  size_t got = 0;
  while (got < 4) {
    const ssize_t n = read(fd, first + got, sizeof first - got);
    if (n < 0 && errno == EINTR) continue;
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
