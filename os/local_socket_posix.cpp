// Unix domain stream sockets.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "os/local_socket.h"

namespace os {
namespace {

constexpr int kBacklog = 128;

// Fails with ENAMETOOLONG when `path` does not fit a socket address.
bool AddressOf(const std::string& path, sockaddr_un& address) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return false;
  }
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Whether a server answers at the socket `path`; `error` says so, or why it cannot be told.
bool SomeoneAnswers(const std::string& path, std::string& error) {
  const int probe = LocalConnect(path);
  if (probe >= 0) {
    SocketClose(probe);
    error = path + ": address already in use (a daemon is serving on it)";
    return true;
  }
  if (errno != ECONNREFUSED) {
    error = path + ": " + strerror(errno);
    return true;
  }
  return false;
}

// Makes room for the socket at `path`: nothing there, or a stale socket that is removed.
bool ClearPath(const std::string& path, std::string& error) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return true;
    error = path + ": " + strerror(errno);
    return false;
  }
  if (!S_ISSOCK(info.st_mode)) {
    error = path + ": exists and is not a socket; refusing to replace it";
    return false;
  }
  if (SomeoneAnswers(path, error)) return false;
  if (unlink(path.c_str()) != 0 && errno != ENOENT) {
    error = path + ": cannot remove the stale socket: " + strerror(errno);
    return false;
  }
  return true;
}

int OpenSpare() {
  return open("/dev/null", O_RDONLY | O_CLOEXEC);
}

}  // namespace

bool LocalListener::Listen(const std::string& path, int64_t group, std::string& error) {
  Close();
  sockaddr_un address;
  if (!AddressOf(path, address)) {
    error = path + ": socket path too long";
    return false;
  }
  if (!ClearPath(path, error)) return false;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    error = std::string("socket: ") + strerror(errno);
    return false;
  }
  // The file's mode is set after bind, whatever the umask: the peer check refuses strangers
  // who connect in between.
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    error = path + ": " + strerror(errno);
    close(fd);
    return false;
  }
  const bool grouped = group >= 0;
  struct stat info {};
  if ((grouped && chown(path.c_str(), static_cast<uid_t>(-1), static_cast<gid_t>(group)) != 0) ||
      chmod(path.c_str(), grouped ? 0660 : 0600) != 0 || lstat(path.c_str(), &info) != 0 ||
      listen(fd, kBacklog) != 0) {
    error = path + ": " + strerror(errno);
    unlink(path.c_str());
    close(fd);
    return false;
  }
  path_ = path;
  fd_ = fd;
  inode_ = info.st_ino;
  spare_fd_ = OpenSpare();
  return true;
}

int LocalListener::Accept(bool& at_file_limit) {
  at_file_limit = false;
  const int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd >= 0 || (errno != EMFILE && errno != ENFILE)) return fd;
  at_file_limit = true;
  if (spare_fd_ >= 0) {
    close(spare_fd_);
    const int refused = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (refused >= 0) close(refused);
    spare_fd_ = OpenSpare();
  }
  return -1;
}

void LocalListener::Close() {
  if (fd_ < 0) return;
  struct stat info {};
  if (lstat(path_.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_ino == inode_) {
    unlink(path_.c_str());
  }
  for (int* fd : {&fd_, &spare_fd_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

int LocalConnect(const std::string& path) {
  sockaddr_un address;
  if (!AddressOf(path, address)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

void SocketClose(int fd) {
  close(fd);
}

bool SocketPeer(int fd, PeerCredentials& peer) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return false;
  peer.uid = credentials.uid;
  peer.gid = credentials.gid;
  peer.pid = credentials.pid;
  return true;
}

bool PeerAllowed(const PeerCredentials& peer, int64_t group) {
  if (peer.uid == 0 || peer.uid == geteuid()) return true;
  if (group < 0) return false;
  if (peer.gid == static_cast<uint32_t>(group)) return true;
  // A member through a supplementary group: the groups of the peer's user.
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(peer.uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return false;
  }
  int count = 64;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  if (getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) {
    groups.resize(static_cast<size_t>(count));
    if (getgrouplist(entry.pw_name, entry.pw_gid, groups.data(), &count) < 0) return false;
  }
  for (int i = 0; i < count; ++i) {
    if (groups[static_cast<size_t>(i)] == static_cast<gid_t>(group)) return true;
  }
  return false;
}

SocketTransfer SocketReadSome(int fd, uint8_t* bytes, size_t size) {
  const ssize_t n = recv(fd, bytes, size, MSG_DONTWAIT);
  if (n > 0) return {SocketTransfer::kMoved, static_cast<size_t>(n), 0};
  if (n == 0) return {SocketTransfer::kEnded, 0, 0};
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
    return {SocketTransfer::kWouldBlock, 0, 0};
  }
  return {SocketTransfer::kFailed, 0, errno};
}

SocketTransfer SocketWriteSome(int fd, const uint8_t* bytes, size_t size) {
  ssize_t n;
  do {
    n = send(fd, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n > 0) return {SocketTransfer::kMoved, static_cast<size_t>(n), 0};
  if (n == 0 || errno == EPIPE || errno == ECONNRESET) return {SocketTransfer::kEnded, 0, 0};
  if (errno == EAGAIN || errno == EWOULDBLOCK) return {SocketTransfer::kWouldBlock, 0, 0};
  return {SocketTransfer::kFailed, 0, errno};
}

bool SocketWriteAll(int fd, const uint8_t* head, size_t head_size, const uint8_t* body,
                    size_t body_size) {
  iovec parts[2] = {{const_cast<uint8_t*>(head), head_size},
                    {const_cast<uint8_t*>(body), body_size}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = 2;
  while (parts[0].iov_len + parts[1].iov_len > 0) {
    const ssize_t n = sendmsg(fd, &message, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    // What is left: the parts' unsent ends.
    size_t sent = static_cast<size_t>(n);
    for (iovec& part : parts) {
      const size_t taken = std::min(sent, part.iov_len);
      part.iov_base = static_cast<uint8_t*>(part.iov_base) + taken;
      part.iov_len -= taken;
      sent -= taken;
    }
  }
  return true;
}

ptrdiff_t SocketRead(int fd, uint8_t* bytes, size_t size) {
  ssize_t n;
  do {
    n = read(fd, bytes, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

bool SocketQuiet(int fd) {
  pollfd state{fd, POLLIN | POLLRDHUP, 0};
  return poll(&state, 1, 0) == 0;
}

}  // namespace os
