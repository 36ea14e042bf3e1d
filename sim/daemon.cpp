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
namespace {

constexpr size_t kMostLoops = 4;
constexpr int kAcceptsPerRound = 16;

std::string Who(const Peer& peer) {
  return "pid " + std::to_string(peer.pid) + " (uid " + std::to_string(peer.uid) + ")";
}

}  // namespace

// One event loop thread and the connections it owns. Its clients are touched by its thread
// only; the inbox (connections the first loop accepted for it), the wake pipe and `owned` by
// any.
struct Daemon::Loop {
  Daemon& daemon;
  int wake[2] = {-1, -1};  // written to stop the loop, to hand it a connection, or when one of
                           // its parked receives may complete
  std::atomic<bool> woken{false};
  const std::function<void()> wake_up = [this] { Wake(); };
  std::vector<std::unique_ptr<DaemonClient>> clients;
  std::vector<pollfd> polled;
  std::mutex inbox_lock;
  std::vector<std::unique_ptr<DaemonClient>> inbox;
  std::atomic<size_t> owned{0};  // clients and inbox, for choosing the loop of a new connection

  explicit Loop(Daemon& d) : daemon(d) {}
  ~Loop() {
    for (int fd : wake) {
      if (fd >= 0) close(fd);
    }
  }

  void Wake() {
    if (woken.exchange(true)) return;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(wake[1], &byte, 1);
  }

  void Hand(std::unique_ptr<DaemonClient> client) {
    ++owned;
    std::lock_guard<std::mutex> hold(inbox_lock);
    inbox.push_back(std::move(client));
  }

  void Run(bool accepting);
  void TakeInbox();
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
  max_frame_ = options_.max_frame != 0 ? options_.max_frame : 1 + wire::MaxRequestSize();
  size_t count = options_.loops;
  if (count == 0) count = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMostLoops);
  std::vector<std::unique_ptr<Loop>> loops;
  for (size_t i = 0; i < count; ++i) {
    loops.push_back(std::make_unique<Loop>(*this));
    if (pipe2(loops.back()->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
      error = std::string("pipe: ") + strerror(errno);
      return false;
    }
  }
  listen_fd_ = ListenOn(options_.socket_path, options_.group, inode_, error);
  if (listen_fd_ < 0) return false;
  reserve_fd_ = open("/dev/null", O_RDONLY | O_CLOEXEC);
  stopping_ = false;
  loops_ = std::move(loops);
  for (size_t i = 0; i < loops_.size(); ++i) {
    threads_.emplace_back(&Loop::Run, loops_[i].get(), i == 0);
  }
  return true;
}

void Daemon::Stop() {
  if (loops_.empty()) return;
  stopping_ = true;
  for (auto& loop : loops_) {
    const char byte = 0;
    [[maybe_unused]] ssize_t n = write(loop->wake[1], &byte, 1);
  }
  for (auto& thread : threads_) thread.join();
  threads_.clear();
  loops_.clear();
  RemoveSocket(options_.socket_path, inode_);
  for (int* fd : {&listen_fd_, &reserve_fd_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

void Daemon::Tell(const std::string& text) {
  if (!options_.log) return;
  std::lock_guard<std::mutex> hold(log_lock_);
  options_.log(text);
}

void Daemon::Loop::Run(bool accepting) {
  const int first_client = accepting ? 2 : 1;
  while (!daemon.stopping_) {
    polled.assign({{wake[0], POLLIN, 0}});
    if (accepting) polled.push_back({daemon.listen_fd_, POLLIN, 0});
    for (const auto& client : clients) polled.push_back({client->fd(), client->Events(), 0});
    const int ready = poll(polled.data(), polled.size(), Timeout(SimClock::now()));
    if (ready < 0 && errno != EINTR) break;
    if (daemon.stopping_) break;
    const auto now = SimClock::now();
    if (polled[0].revents != 0) {
      char drained[64];
      woken = false;
      while (read(wake[0], drained, sizeof drained) > 0) {
      }
    }
    // Clients first, then new ones: `polled` follows the clients as they were polled.
    std::string why;
    for (size_t i = clients.size(); i-- > 0;) {
      const short revents = polled[first_client + i].revents;
      if (revents != 0 && !clients[i]->Ready(revents, daemon.max_frame_, now, why)) Drop(i, why);
    }
    // A parked receive completes when a packet arrived, its session went or it timed out.
    for (size_t i = clients.size(); i-- > 0;) {
      if (clients[i]->Parked() && !clients[i]->Resume(why)) Drop(i, why);
    }
    const auto limit = std::chrono::milliseconds(daemon.options_.frame_timeout_ms);
    for (size_t i = clients.size(); i-- > 0;) {
      if (clients[i]->Busy() && now - clients[i]->LastProgress() > limit) {
        Drop(i, "idle for " + std::to_string(limit.count()) + " ms inside a frame");
      }
    }
    if (accepting && polled[1].revents != 0) daemon.Accept(*this, now);
    TakeInbox();
  }
  TakeInbox();
  while (!clients.empty()) Drop(clients.size() - 1, "");
}

void Daemon::Loop::TakeInbox() {
  std::lock_guard<std::mutex> hold(inbox_lock);
  for (auto& client : inbox) clients.push_back(std::move(client));
  inbox.clear();
}

int Daemon::Loop::Timeout(SimClock::time_point now) const {
  const auto limit = std::chrono::milliseconds(daemon.options_.frame_timeout_ms + 1);
  auto next = SimClock::time_point::max();
  for (const auto& client : clients) {
    if (client->Parked()) next = std::min(next, client->RetryAt());
    if (client->Busy()) next = std::min(next, client->LastProgress() + limit);
  }
  if (next == SimClock::time_point::max()) return -1;
  if (next <= now) return 0;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
  return static_cast<int>(std::min<int64_t>(wait, 60000));
}

void Daemon::Accept(Loop& accepting, SimClock::time_point now) {
  // A bounded number per round, so that a flood of connections cannot starve the clients.
  for (int round = 0; round < kAcceptsPerRound; ++round) {
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE) AcceptAtFileLimit();
      return;
    }
    Peer peer;
    const bool known = PeerOf(fd, peer);
    const bool full = connected_ >= options_.max_clients;
    const char* refusal = !known                               ? "credentials unknown"
                          : !PeerAllowed(peer, options_.group) ? "not permitted"
                          : full                               ? "too many connections"
                                                               : nullptr;
    if (refusal != nullptr) {
      // The refused client reads why as the answer to its open.
      const int error = full && known ? EAGAIN : EACCES;
      const uint8_t answer[8] = {4, 0, 0, 0, static_cast<uint8_t>(error), 0, 0, 0};
      [[maybe_unused]] ssize_t n = send(fd, answer, sizeof answer, MSG_DONTWAIT | MSG_NOSIGNAL);
      close(fd);
      Tell("refused " + Who(peer) + ": " + refusal);
      continue;
    }
    // The loop that owns the fewest connections serves it.
    Loop* owner = &accepting;
    for (auto& loop : loops_) {
      if (loop->owned < owner->owned) owner = loop.get();
    }
    const size_t now_connected = ++connected_;
    owner->Hand(std::make_unique<DaemonClient>(machine_, fd, peer, now, owner->wake_up));
    if (owner != &accepting) owner->Wake();
    if (options_.verbose) {
      Tell("client " + Who(peer) + " connected (" + std::to_string(now_connected) + " connected)");
    }
  }
}

void Daemon::AcceptAtFileLimit() {
  Tell("out of file descriptors: a connection was refused");
  if (reserve_fd_ < 0) return;
  close(reserve_fd_);
  int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd >= 0) close(fd);
  reserve_fd_ = open("/dev/null", O_RDONLY | O_CLOEXEC);
}

void Daemon::Loop::Drop(size_t index, const std::string& why) {
  const Peer peer = clients[index]->peer();
  clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
  --owned;
  daemon.Dropped(peer, why);
}

void Daemon::Dropped(const Peer& peer, const std::string& why) {
  const size_t still = --connected_;
  if (!why.empty()) {
    Tell("closed the connection of " + Who(peer) + ": " + why);
  } else if (options_.verbose) {
    Tell("client " + Who(peer) + " disconnected (" + std::to_string(still) + " connected)");
  }
}

}  // namespace sim
