// One client connection of the daemon: the frame it is sending, assembled as its bytes arrive
// (never more memory than the bytes received), the reply it has not yet read, its driver handle
// and a receive that waits. All of it runs on the thread of the loop that owns it and never
// blocks.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "os/local_socket.h"
#include "sim/machine.h"
#include "sim/wire.h"

namespace sim {

using Peer = os::PeerCredentials;

class DaemonClient {
 public:
  // `wake` wakes the owning loop when a parked receive may complete; it outlives the client.
  DaemonClient(Machine& machine, int fd, const Peer& peer, SimClock::time_point now,
               const std::function<void()>& wake);
  // Closes the handle (its sessions go with it) and the connection.
  ~DaemonClient();
  DaemonClient(const DaemonClient&) = delete;
  DaemonClient& operator=(const DaemonClient&) = delete;

  int fd() const { return fd_; }
  const Peer& peer() const { return peer_; }
  // What the loop waits for on this connection (os/readiness_wait.h's bits): writable while a reply
  // is unsent, else readable (also while a receive is parked, so that a client that goes away is
  // seen at once).
  uint32_t Events() const;
  // Handles what the loop saw on the connection. False when the connection is to be closed, with
  // the reason in `why` ("" for a client that simply hung up).
  bool Ready(uint32_t events, size_t max_frame, SimClock::time_point now, std::string& why);
  // Tries a parked receive again; false when the connection is to be closed.
  bool Resume(std::string& why);
  bool Parked() const { return parked_.waiting; }
  SimClock::time_point RetryAt() const { return parked_.retry_at; }
  // Whether the client is in the middle of a frame or of reading its reply, and since when.
  bool Busy() const { return !in_.empty() || sent_ < out_.size(); }
  SimClock::time_point LastProgress() const { return last_progress_; }

 private:
  bool ReadSome(size_t max_frame, SimClock::time_point now, std::string& why);
  // Serves the frames that are in whole, while no reply waits to be sent and no receive waits.
  bool ServeBuffered(size_t max_frame, std::string& why);
  bool ServeFrame(std::string& why);
  void QueueReply(const wire::Bytes& response);
  bool Flush(std::string& why);

  Machine& machine_;
  int fd_;
  Peer peer_;
  int handle_ = -1;
  wire::Bytes in_;         // the bytes received and not yet served: a frame, its length first
  size_t frame_size_ = 0;  // the length the frame announced, once its header is in
  wire::Bytes out_;        // the reply frame
  size_t sent_ = 0;        // how much of it was sent
  wire::Bytes response_;
  Machine::ParkedReceive parked_;
  SimClock::time_point last_progress_;
};

}  // namespace sim
