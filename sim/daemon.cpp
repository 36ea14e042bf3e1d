#include "sim/daemon.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "os/readiness_wait.h"
#include "sim/daemon_client.h"

namespace sim {
namespace {

constexpr size_t kMostLoops = 4;
constexpr int kAcceptsPerRound = 16;
constexpr int kEventsPerRound = 64;

std::string Who(const Peer& peer) {
  return "pid " + std::to_string(peer.pid) + " (uid " + std::to_string(peer.uid) + ")";
}

}  // namespace

// One event loop thread and the connections it owns, watched so that a round costs the same
// however many connections sit idle. Its clients are touched by its thread only; the inbox
// (connections the first loop accepted for it), the wait's wake and `owned` by any.
struct Daemon::Loop {
  Daemon& daemon;
  // Woken to stop the loop, to hand it a connection, or when one of its parked receives may
  // complete.
  os::ReadinessWait wait;
  const std::function<void()> wake_up = [this] { wait.Wake(); };
  struct Owned {
    std::unique_ptr<DaemonClient> client;
    uint32_t watched;  // the events waited for on it
  };
  std::vector<Owned> clients;
  std::mutex inbox_lock;
  std::vector<std::unique_ptr<DaemonClient>> inbox;
  std::atomic<size_t> owned{0};  // clients and inbox, for choosing the loop of a new connection

  explicit Loop(Daemon& d) : daemon(d) {}

  void Hand(std::unique_ptr<DaemonClient> client) {
    ++owned;
    std::lock_guard<std::mutex> hold(inbox_lock);
    inbox.push_back(std::move(client));
  }

  void Run();
  void TakeInbox();
  // Watches what each client waits for now (a reply to send, or its next frame).
  void Rearm();
  void Drop(size_t index, const std::string& why);
  void Drop(const DaemonClient* client, const std::string& why);
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
    if (!loops.back()->wait.Open(error)) return false;
  }
  if (!listener_.Listen(options_.socket_path, options_.group, error)) return false;
  // The first loop accepts.
  if (!loops[0]->wait.Watch(listener_.fd(), os::kReadable, this)) {
    error = std::string("cannot wait on the socket: ") + strerror(errno);
    listener_.Close();
    return false;
  }
  stopping_ = false;
  loops_ = std::move(loops);
  for (auto& loop : loops_) threads_.emplace_back(&Loop::Run, loop.get());
  return true;
}

void Daemon::Stop() {
  if (loops_.empty()) return;
  stopping_ = true;
  for (auto& loop : loops_) loop->wait.Wake();
  for (auto& thread : threads_) thread.join();
  threads_.clear();
  loops_.clear();
  listener_.Close();
}

void Daemon::Tell(const std::string& text) {
  if (!options_.log) return;
  std::lock_guard<std::mutex> hold(log_lock_);
  options_.log(text);
}

void Daemon::Loop::Run() {
  os::Readiness events[kEventsPerRound];
  while (!daemon.stopping_) {
    const int ready = wait.Wait(events, kEventsPerRound, Timeout(SimClock::now()));
    if (ready < 0) break;
    if (daemon.stopping_) break;
    const auto now = SimClock::now();
    bool accept = false;
    std::string why;
    for (int i = 0; i < ready; ++i) {
      void* tag = events[i].tag;
      if (tag == &daemon) {
        accept = true;
      } else {
        // Each connection comes once per round, so dropping one leaves the others' tags valid.
        auto* client = static_cast<DaemonClient*>(tag);
        if (!client->Ready(events[i].events, daemon.max_frame_, now, why)) Drop(client, why);
      }
    }
    // A parked receive completes when a packet arrived, its session went or it timed out.
    for (size_t i = clients.size(); i-- > 0;) {
      if (clients[i].client->Parked() && !clients[i].client->Resume(why)) Drop(i, why);
    }
    const auto limit = std::chrono::milliseconds(daemon.options_.frame_timeout_ms);
    for (size_t i = clients.size(); i-- > 0;) {
      const DaemonClient& client = *clients[i].client;
      if (client.Busy() && now - client.LastProgress() > limit) {
        Drop(i, "idle for " + std::to_string(limit.count()) + " ms inside a frame");
      }
    }
    Rearm();
    if (accept) daemon.Accept(*this, now);
    TakeInbox();
  }
  TakeInbox();
  while (!clients.empty()) Drop(clients.size() - 1, "");
}

void Daemon::Loop::Rearm() {
  for (auto& owned : clients) {
    const uint32_t events = owned.client->Events();
    if (events == owned.watched) continue;
    wait.Rewatch(owned.client->fd(), events, owned.client.get());
    owned.watched = events;
  }
}

void Daemon::Loop::TakeInbox() {
  std::lock_guard<std::mutex> hold(inbox_lock);
  for (auto& client : inbox) {
    const uint32_t events = client->Events();
    DaemonClient* tag = client.get();
    clients.push_back({std::move(client), events});
    if (!wait.Watch(tag->fd(), events, tag)) {
      Drop(clients.size() - 1, std::string("cannot wait on the socket: ") + strerror(errno));
    }
  }
  inbox.clear();
}

int Daemon::Loop::Timeout(SimClock::time_point now) const {
  const auto limit = std::chrono::milliseconds(daemon.options_.frame_timeout_ms + 1);
  auto next = SimClock::time_point::max();
  for (const auto& owned : clients) {
    const DaemonClient& client = *owned.client;
    if (client.Parked()) next = std::min(next, client.RetryAt());
    if (client.Busy()) next = std::min(next, client.LastProgress() + limit);
  }
  if (next == SimClock::time_point::max()) return -1;
  if (next <= now) return 0;
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
  return static_cast<int>(std::min<int64_t>(wait, 60000));
}

void Daemon::Accept(Loop& accepting, SimClock::time_point now) {
  // A bounded number per round, so that a flood of connections cannot starve the clients.
  for (int round = 0; round < kAcceptsPerRound; ++round) {
    bool at_file_limit = false;
    const int fd = listener_.Accept(at_file_limit);
    if (fd < 0) {
      if (at_file_limit) Tell("out of file descriptors: a connection was refused");
      return;
    }
    Peer peer;
    const bool known = os::SocketPeer(fd, peer);
    const bool full = connected_ >= options_.max_clients;
    const char* refusal = !known                                   ? "credentials unknown"
                          : !os::PeerAllowed(peer, options_.group) ? "not permitted"
                          : full                                   ? "too many connections"
                                                                   : nullptr;
    if (refusal != nullptr) {
      // The refused client reads why as the answer to its open.
      const int error = full && known ? EAGAIN : EACCES;
      const uint8_t answer[8] = {4, 0, 0, 0, static_cast<uint8_t>(error), 0, 0, 0};
      os::SocketWriteSome(fd, answer, sizeof answer);
      os::SocketClose(fd);
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
    if (owner != &accepting) owner->wait.Wake();
    if (options_.verbose) {
      Tell("client " + Who(peer) + " connected (" + std::to_string(now_connected) + " connected)");
    }
  }
}

void Daemon::Loop::Drop(size_t index, const std::string& why) {
  // Closing its socket takes the connection out of the loop's wait.
  const Peer peer = clients[index].client->peer();
  clients[index] = std::move(clients.back());
  clients.pop_back();
  --owned;
  daemon.Dropped(peer, why);
}

void Daemon::Loop::Drop(const DaemonClient* client, const std::string& why) {
  for (size_t i = 0; i < clients.size(); ++i) {
    if (clients[i].client.get() == client) return Drop(i, why);
  }
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
