#include "sim/daemon.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "sim/daemon_client.h"
#include "sim/daemon_socket.h"

namespace sim {

// The loop's state, touched by the loop thread only (the wake pipe and `stopping` excepted).
struct Daemon::Loop {
  Machine& machine;
  const DaemonOptions& options;
  size_t max_frame;
  int listen_fd = -1;
  uint64_t inode = 0;
  int wake[2] = {-1, -1};  // written to stop the loop, or when a parked receive may complete
  // Kept open to give back at the file limit, so that one connection can be accepted and
  // closed instead of leaving the listening socket readable forever.
  int reserve_fd = -1;
  std::atomic<bool> stopping{false};
  std::atomic<bool> woken{false};
  std::vector<std::unique_ptr<DaemonClient>> clients;
  std::vector<pollfd> polled;

  Loop(Machine& m, const DaemonOptions& o) : machine(m), options(o) {
    max_frame = o.max_frame != 0 ? o.max_frame : 1 + wire::MaxRequestSize();
  }
  ~Loop() {
    for (int fd : {listen_fd, wake[0], wake[1], reserve_fd}) {
      if (fd >= 0) close(fd);
    }
  }

  void Tell(const std::string& text) const {
    if (options.log) options.log(text);
  }
  static std::string Who(const Peer& peer) {
    return "pid " + std::to_string(peer.pid) + " (uid " + std::to_string(peer.uid) + ")";
  }

  void Wake() {
    if (woken.exchange(true)) return;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(wake[1], &byte, 1);
  }

  void Run();
  void Accept(SimClock::time_point now);
  void AcceptAtFileLimit();
  void Drop(size_t index, const std::string& why);
  int Timeout(SimClock::time_point now) const;
};

Daemon::Daemon(Machine& machine, std::string socket_path) : machine_(machine) {
  options_.socket_path = std::move(socket_path);
}

Daemon::Daemon(Machine& machine, DaemonOptions options)
    : machine_(machine), options_(std::move(options)) {}

Daemon::~Daemon() {
  Stop();
}

bool Daemon::Start(std::string& error) {
  auto loop = std::make_unique<Loop>(machine_, options_);
  loop->listen_fd = ListenOn(options_.socket_path, options_.group, loop->inode, error);
  if (loop->listen_fd < 0) return false;
  if (pipe2(loop->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + strerror(errno);
    RemoveSocket(options_.socket_path, loop->inode);
    return false;
  }
  loop->reserve_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  Loop* running = loop.get();
  machine_.SetChangeHook([running] { running->Wake(); });
  loop_ = std::move(loop);
  thread_ = std::thread(&Loop::Run, running);
  return true;
}

void Daemon::Stop() {
  if (!loop_) return;
  loop_->stopping = true;
  const char byte = 0;
  [[maybe_unused]] ssize_t n = write(loop_->wake[1], &byte, 1);
  if (thread_.joinable()) thread_.join();
  machine_.SetChangeHook(nullptr);
  RemoveSocket(options_.socket_path, loop_->inode);
  loop_.reset();
}

void Daemon::Loop::Run() {
  while (!stopping) {
    polled.assign({{wake[0], POLLIN, 0}, {listen_fd, POLLIN, 0}});
    for (const auto& client : clients) polled.push_back({client->fd(), client->Events(), 0});
    const int ready = poll(polled.data(), polled.size(), Timeout(SimClock::now()));
    if (ready < 0 && errno != EINTR) break;
    if (stopping) break;
    const auto now = SimClock::now();
    if (polled[0].revents != 0) {
      char drained[64];
      woken = false;
      while (read(wake[0], drained, sizeof drained) > 0) {
      }
    }
    // Clients first, then new connections: `polled` follows the clients as they were polled.
    std::string why;
    for (size_t i = clients.size(); i-- > 0;) {
      const short revents = polled[2 + i].revents;
      if (revents != 0 && !clients[i]->Ready(revents, max_frame, now, why)) Drop(i, why);
    }
    // A parked receive completes when a packet arrived, its session went or it timed out.
    for (size_t i = clients.size(); i-- > 0;) {
      if (clients[i]->Parked() && !clients[i]->Resume(why)) Drop(i, why);
    }
    for (size_t i = clients.size(); i-- > 0;) {
      if (clients[i]->Busy() &&
          now - clients[i]->LastProgress() > std::chrono::milliseconds(options.frame_timeout_ms)) {
        Drop(i, "idle for " + std::to_string(options.frame_timeout_ms) + " ms inside a frame");
      }
    }
    if (polled[1].revents != 0) Accept(now);
  }
  while (!clients.empty()) Drop(clients.size() - 1, "");
}

int Daemon::Loop::Timeout(SimClock::time_point now) const {
  auto next = SimClock::time_point::max();
  for (const auto& client : clients) {
    if (client->Parked()) next = std::min(next, client->RetryAt());
    if (client->Busy()) {
      next = std::min(
          next, client->LastProgress() + std::chrono::milliseconds(options.frame_timeout_ms + 1));
    }
  }
  if (next == SimClock::time_point::max()) return -1;
  if (next <= now) return 0;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
  return static_cast<int>(std::min<int64_t>(wait, 60000));
}

void Daemon::Loop::Accept(SimClock::time_point now) {
  // A bounded number per round, so that a flood of connections cannot starve the clients.
  for (int round = 0; round < 16; ++round) {
    int fd = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE) AcceptAtFileLimit();
      return;
    }
    Peer peer;
    const bool known = PeerOf(fd, peer);
    const char* refusal = !known                                  ? "credentials unknown"
                          : !PeerAllowed(peer, options.group)     ? "not permitted"
                          : clients.size() >= options.max_clients ? "too many connections"
                                                                  : nullptr;
    if (refusal != nullptr) {
      // The refused client reads why as the answer to its open.
      const int error = clients.size() >= options.max_clients && known ? EAGAIN : EACCES;
      const uint8_t answer[8] = {4, 0, 0, 0, static_cast<uint8_t>(error), 0, 0, 0};
      [[maybe_unused]] ssize_t n = send(fd, answer, sizeof answer, MSG_DONTWAIT | MSG_NOSIGNAL);
      close(fd);
      Tell("refused " + Who(peer) + ": " + refusal);
      continue;
    }
    clients.push_back(std::make_unique<DaemonClient>(machine, fd, peer, now));
    if (options.verbose) {
      Tell("client " + Who(peer) + " connected (" + std::to_string(clients.size()) + " connected)");
    }
  }
}

void Daemon::Loop::AcceptAtFileLimit() {
  Tell("out of file descriptors: a connection was refused");
  if (reserve_fd < 0) return;
  close(reserve_fd);
  int fd = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd >= 0) close(fd);
  reserve_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
}

void Daemon::Loop::Drop(size_t index, const std::string& why) {
  const Peer peer = clients[index]->peer();
  clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
  if (!why.empty()) {
    Tell("closed the connection of " + Who(peer) + ": " + why);
  } else if (options.verbose) {
    Tell("client " + Who(peer) + " disconnected (" + std::to_string(clients.size()) +
         " connected)");
  }
}

}  // namespace sim
