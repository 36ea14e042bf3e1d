// Serves one machine on a Unix domain socket to the processes of this host: each client
// connection is one driver handle. A few threads (one per processor, at most four) each run an
// event loop over the connections it owns, so a client costs a file descriptor and its buffers,
// never a thread; a receive that waits is parked and answered when a packet arrives or its
// time-out runs. Every resource a client can make the
// daemon hold is bounded by an option: connections, the size of a frame, the time a frame may
// stay half-sent or a reply half-read. A malformed frame ends only its own connection; a
// connection that goes away closes its handle, and with it its sessions.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "os/local_socket.h"
#include "sim/daemon_client.h"
#include "sim/machine.h"

namespace sim {

struct DaemonOptions {
  std::string socket_path;
  // Connections served at once; one more is answered with EAGAIN and closed.
  size_t max_clients = 256;
  // The largest frame a client may send; 0 for the largest legal request.
  size_t max_frame = 0;
  // A connection that stays in the middle of a frame (or does not read its reply) this long is
  // closed.
  uint32_t frame_timeout_ms = 10000;
  // Besides the daemon's own user and root, the members of this group may connect (-1: none);
  // the socket is then 0660 and of this group, else 0600.
  int64_t group = -1;
  // Where refused clients and dropped connections are told; with `verbose` also every connect
  // and disconnect. Null: nothing is told.
  std::function<void(const std::string&)> log;
  bool verbose = false;
  // Event loop threads; 0 for one per processor, at most four.
  size_t loops = 0;
};

class Daemon {
 public:
  Daemon(Machine& machine, std::string socket_path);
  Daemon(Machine& machine, DaemonOptions options);
  ~Daemon();
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  // Binds and listens; false with a message on failure. A path that exists and is not a socket
  // is refused, and so is a socket another daemon answers on; a stale socket is replaced.
  bool Start(std::string& error);
  // Stops accepting, ends every connection (their sessions with them) and waits for the loop.
  void Stop();
  const std::string& socket_path() const { return options_.socket_path; }

 private:
  struct Loop;

  void Accept(Loop& accepting, SimClock::time_point now);
  void Tell(const std::string& text);
  void Dropped(const Peer& peer, const std::string& why);

  Machine& machine_;
  DaemonOptions options_;
  size_t max_frame_ = 0;
  os::LocalListener listener_;  // watched by the first loop, which hands each connection to a loop
  std::atomic<bool> stopping_{false};
  std::atomic<size_t> connected_{0};
  std::mutex log_lock_;
  std::vector<std::unique_ptr<Loop>> loops_;
  std::vector<std::thread> threads_;
};

}  // namespace sim
