// Stream sockets between the processes of this host, named by a path: the simulator daemon
// listens on one and the library connects to it. A socket is its descriptor (an int); every call
// that can fail leaves errno set. POSIX hosts only: the Windows build has no daemon.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace os {

// The kernel's credentials of the process at the other end of a connection.
struct PeerCredentials {
  uint32_t uid = 0;
  uint32_t gid = 0;
  int32_t pid = 0;
};

// The listening end at a path, placed so that it can neither squat on another program's file
// nor take over a live server's socket, with a mode that does not follow the umask.
class LocalListener {
 public:
  LocalListener() = default;
  ~LocalListener() { Close(); }
  LocalListener(const LocalListener&) = delete;
  LocalListener& operator=(const LocalListener&) = delete;

  // Listens without blocking at `path`; false with the reason in `error`. A path that exists
  // and is not a socket is refused, and so is a socket on which a server answers ("address
  // already in use"); a socket nobody answers on is stale and replaced. The socket file gets
  // mode 0600, or 0660 and the group `group` when it is not -1.
  bool Listen(const std::string& path, int64_t group, std::string& error);
  // The descriptor to wait on for connections; -1 when not listening.
  int fd() const { return fd_; }
  // A waiting connection, non-blocking, or -1 when none waits. At the file limit one waiting
  // connection is accepted and closed on a descriptor kept spare for it, so that the listening
  // socket does not stay readable forever, and `at_file_limit` is set.
  int Accept(bool& at_file_limit);
  // Stops listening and removes the socket file if it is still the one Listen created.
  void Close();

 private:
  std::string path_;
  int fd_ = -1;
  int spare_fd_ = -1;
  uint64_t inode_ = 0;
};

// A blocking connection to the socket at `path`, or -1 with errno (ENAMETOOLONG for a path too
// long for a socket address).
int LocalConnect(const std::string& path);
void SocketClose(int fd);

bool SocketPeer(int fd, PeerCredentials& peer);
// Who may use a server run by this user: this user, root, and the members of `group` (when not
// -1), through their primary group or a supplementary one.
bool PeerAllowed(const PeerCredentials& peer, int64_t group);

// What a transfer on a non-blocking socket did.
struct SocketTransfer {
  enum Outcome {
    kMoved,       // `count` bytes (at least one) were read or written
    kWouldBlock,  // nothing now: wait for readiness
    kEnded,       // reading: end of file; writing: the peer went away
    kFailed,      // `error` says why
  };
  Outcome outcome;
  size_t count;
  int error;
};
SocketTransfer SocketReadSome(int fd, uint8_t* bytes, size_t size);
SocketTransfer SocketWriteSome(int fd, const uint8_t* bytes, size_t size);

// Blocking transfers. SocketWriteAll writes `head` then `body` whole, in one call when the socket
// takes them (so that the peer wakes once); false when the connection failed. SocketRead waits
// for at least one byte and reads at most `size`: the count, 0 at end of file, -1 on failure.
bool SocketWriteAll(int fd, const uint8_t* head, size_t head_size, const uint8_t* body,
                    size_t body_size);
ptrdiff_t SocketRead(int fd, uint8_t* bytes, size_t size);

// Whether a connection that expects nothing from its peer is still open: nothing to read and no
// hang-up, seen without waiting.
bool SocketQuiet(int fd);

}  // namespace os
