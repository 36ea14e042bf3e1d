// One client connection of the daemon: the frame it is sending, assembled as its bytes arrive
// (never more memory than the bytes received), the reply it has not yet read, its driver handle
// and a receive that waits. All of it runs on the daemon's loop thread and never blocks.
#pragma once

#include <cstddef>
#include <string>

#include "sim/daemon_socket.h"
#include "sim/machine.h"
#include "sim/wire.h"

namespace sim {

class DaemonClient {
 public:
  DaemonClient(Machine& machine, int fd, const Peer& peer, SimClock::time_point now);
  // Closes the handle (its sessions go with it) and the connection.
  ~DaemonClient();
  DaemonClient(const DaemonClient&) = delete;
  DaemonClient& operator=(const DaemonClient&) = delete;

  int fd() const { return fd_; }
  const Peer& peer() const { return peer_; }
  // What the loop waits for on this connection: POLLOUT while a reply is unsent, else POLLIN
  // (also while a receive is parked, so that a client that goes away is seen at once).
  short Events() const;
  // Handles what poll reported. False when the connection is to be closed, with the reason in
  // `why` ("" for a client that simply hung up).
  bool Ready(short revents, size_t max_frame, SimClock::time_point now, std::string& why);
  // Tries a parked receive again; false when the connection is to be closed.
  bool Resume(std::string& why);
  bool Parked() const { return parked_.waiting; }
  SimClock::time_point RetryAt() const { return parked_.retry_at; }
  // Whether the client is in the middle of a frame or of reading its reply, and since when.
  bool Busy() const { return !in_.empty() || sent_ < out_.size(); }
  SimClock::time_point LastProgress() const { return last_progress_; }

 private:
  bool ReadSome(size_t max_frame, SimClock::time_point now, std::string& why);
  bool ServeFrame(std::string& why);
  void QueueReply(const wire::Bytes& response);
  bool Flush(std::string& why);

  Machine& machine_;
  int fd_;
  Peer peer_;
  int handle_ = -1;
  wire::Bytes in_;         // the frame so far, its 4-byte length first
  size_t frame_size_ = 0;  // the length the frame announced, once its header is in
  wire::Bytes out_;        // the reply frame
  size_t sent_ = 0;        // how much of it was sent
  wire::Bytes response_;
  Machine::ParkedReceive parked_;
  SimClock::time_point last_progress_;
};

}  // namespace sim
