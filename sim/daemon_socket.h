// The daemon's side of its Unix socket: the listening socket placed so that it can neither
// squat on another program's file nor take over a live daemon's socket, created with a mode
// that does not follow the umask, and the peer credentials of each connection.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

// A non-blocking listening socket at `path`, or -1 with the reason in `error`. A path that exists
// and is not a socket is refused, and so is a socket on which a daemon answers ("address already
// in use"); a socket nobody answers on is stale and replaced. The socket file gets mode 0600, or
// 0660 and the group `group` when it is not -1. `inode` identifies the file for RemoveSocket.
int ListenOn(const std::string& path, int64_t group, uint64_t& inode, std::string& error);
// Removes the socket file at `path` if it is still the one this daemon created.
void RemoveSocket(const std::string& path, uint64_t inode);

struct Peer {
  uint32_t uid = 0;
  uint32_t gid = 0;
  int32_t pid = 0;
};
// The kernel's credentials of the process at the other end of a connected socket.
bool PeerOf(int fd, Peer& peer);
// Who may use the daemon: its own user, root, and the members of `group` (when not -1).
bool PeerAllowed(const Peer& peer, int64_t group);

}  // namespace sim
