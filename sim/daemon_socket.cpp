#include "sim/daemon_socket.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace sim {
namespace {

constexpr int kBacklog = 128;

bool AddressOf(const std::string& path, sockaddr_un& address, std::string& error) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    error = path + ": socket path too long";
    return false;
  }
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Whether a daemon answers at the socket `path`; `error` says so, or why it cannot be told.
bool SomeoneAnswers(const sockaddr_un& address, const std::string& path, std::string& error) {
  int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) {
    error = std::string("socket: ") + strerror(errno);
    return true;
  }
  const int result = connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const int reason = errno;
  close(probe);
  if (result == 0) {
    error = path + ": address already in use (a daemon is serving on it)";
    return true;
  }
  if (reason != ECONNREFUSED) {
    error = path + ": " + strerror(reason);
    return true;
  }
  return false;
}

// Makes room for the socket at `path`: nothing there, or a stale socket that is removed.
bool ClearPath(const sockaddr_un& address, const std::string& path, std::string& error) {
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
  if (SomeoneAnswers(address, path, error)) return false;
  if (unlink(path.c_str()) != 0 && errno != ENOENT) {
    error = path + ": cannot remove the stale socket: " + strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

int ListenOn(const std::string& path, int64_t group, uint64_t& inode, std::string& error) {
  sockaddr_un address;
  if (!AddressOf(path, address, error) || !ClearPath(address, path, error)) return -1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    error = std::string("socket: ") + strerror(errno);
    return -1;
  }
  // The file's mode is set after bind, whatever the umask: the peer check refuses strangers
  // who connect in between.
  struct stat info {};
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    error = path + ": " + strerror(errno);
    close(fd);
    return -1;
  }
  const bool grouped = group >= 0;
  if ((grouped && chown(path.c_str(), static_cast<uid_t>(-1), static_cast<gid_t>(group)) != 0) ||
      chmod(path.c_str(), grouped ? 0660 : 0600) != 0 || lstat(path.c_str(), &info) != 0 ||
      listen(fd, kBacklog) != 0) {
    error = path + ": " + strerror(errno);
    unlink(path.c_str());
    close(fd);
    return -1;
  }
  inode = info.st_ino;
  return fd;
}

void RemoveSocket(const std::string& path, uint64_t inode) {
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_ino == inode) {
    unlink(path.c_str());
  }
}

bool PeerOf(int fd, Peer& peer) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) return false;
  peer.uid = credentials.uid;
  peer.gid = credentials.gid;
  peer.pid = credentials.pid;
  return true;
}

bool PeerAllowed(const Peer& peer, int64_t group) {
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

}  // namespace sim
