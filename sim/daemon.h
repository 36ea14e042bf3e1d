// Serves one machine on a Unix domain socket: each client connection is one driver handle, served
// on a thread of its own. A malformed frame ends only its own connection; a connection that goes
// away closes its handle, and with it its sessions.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/machine.h"

namespace sim {

class Daemon {
 public:
  Daemon(Machine& machine, std::string socket_path);
  ~Daemon();
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  // Binds and listens (replacing a stale socket file); false with a message on failure.
  bool Start(std::string& error);
  // Stops accepting, ends every connection and waits for their threads.
  void Stop();
  const std::string& socket_path() const { return socket_path_; }

 private:
  void AcceptLoop();
  void ServeClient(int fd);

  Machine& machine_;
  std::string socket_path_;
  int listen_fd_ = -1;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  // Client threads run detached; Stop() waits until none is left.
  std::mutex clients_lock_;
  std::condition_variable clients_done_;
  std::vector<int> client_fds_;
};

}  // namespace sim
