#include "sim/frame_io.h"

#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

namespace sim {
namespace {

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
  uint8_t header[4];
  if (!ReadAll(fd, header, 4)) return false;
  size_t size = static_cast<size_t>(header[0]) | static_cast<size_t>(header[1]) << 8 |
                static_cast<size_t>(header[2]) << 16 | static_cast<size_t>(header[3]) << 24;
  if (size > kMaxFrame) return false;
  out.resize(size);
  return ReadAll(fd, out.data(), size);
}

}  // namespace sim
