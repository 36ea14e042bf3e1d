#include "sim/daemon_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sim/frame_io.h"

namespace sim {
namespace {

constexpr size_t kHeader = 4;
constexpr size_t kReadChunk = 64 * 1024;
// A frame buffer larger than this is given back after its frame, so that a client that once
// sent a large request does not keep the memory.
constexpr size_t kKeptCapacity = 64 * 1024;

}  // namespace

DaemonClient::DaemonClient(Machine& machine, int fd, const Peer& peer, SimClock::time_point now)
    : machine_(machine), fd_(fd), peer_(peer), last_progress_(now) {}

DaemonClient::~DaemonClient() {
  if (handle_ >= 0) machine_.Close(handle_);
  close(fd_);
}

short DaemonClient::Events() const {
  return sent_ < out_.size() ? POLLOUT : POLLIN;
}

bool DaemonClient::Ready(short revents, size_t max_frame, SimClock::time_point now,
                         std::string& why) {
  if ((revents & POLLOUT) != 0) {
    last_progress_ = now;
    return Flush(why);
  }
  if ((revents & (POLLIN | POLLHUP | POLLERR)) == 0) return true;
  if (parked_.waiting) {
    // A client waiting for its receive sends nothing; end of file means it went away.
    uint8_t byte;
    const ssize_t n = recv(fd_, &byte, 1, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    why = n > 0 ? "a frame out of turn while its receive waits" : "";
    return false;
  }
  return ReadSome(max_frame, now, why);
}

bool DaemonClient::ReadSome(size_t max_frame, SimClock::time_point now, std::string& why) {
  // Only the bytes of the current frame are read: the header, then what it announced.
  const size_t wanted =
      in_.size() < kHeader ? kHeader - in_.size() : kHeader + frame_size_ - in_.size();
  uint8_t chunk[kReadChunk];
  const ssize_t n = recv(fd_, chunk, std::min(wanted, sizeof chunk), MSG_DONTWAIT);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  if (n <= 0) {
    why = n < 0 ? strerror(errno) : in_.empty() ? "" : "the connection ended inside a frame";
    return false;
  }
  last_progress_ = now;
  in_.insert(in_.end(), chunk, chunk + n);
  if (in_.size() == kHeader) {
    frame_size_ = wire::Word(in_, 0);
    if (frame_size_ == 0 || frame_size_ > max_frame) {
      why = "a frame of " + std::to_string(frame_size_) + " bytes (at most " +
            std::to_string(max_frame) + ")";
      return false;
    }
  }
  if (in_.size() < kHeader || in_.size() < kHeader + frame_size_) return true;
  const bool served = ServeFrame(why);
  in_.clear();
  if (in_.capacity() > kKeptCapacity) wire::Bytes().swap(in_);
  return served;
}

bool DaemonClient::ServeFrame(std::string& why) {
  const uint8_t kind = in_[kHeader];
  const uint8_t* body = in_.data() + kHeader + 1;
  const size_t size = frame_size_ - 1;
  // A connection opens the device, makes requests on the handle and closes it, and may then open
  // it again: the library keeps idle connections for its next open.
  if (kind == kFrameOpen && handle_ < 0) {
    int error = 0;
    handle_ = machine_.Open(std::string(body, body + size), error);
    response_.assign(4, 0);
    wire::SetWord(response_, 0, static_cast<uint32_t>(error));
  } else if (kind == kFrameRequest && handle_ >= 0) {
    if (!machine_.ServeWithoutWaiting(handle_, body, size, response_, parked_)) return true;
  } else if (kind == kFrameClose && handle_ >= 0) {
    machine_.Close(handle_);
    handle_ = -1;
    response_.assign(4, 0);
  } else {
    why = "a frame out of turn";  // this connection is not speaking the protocol
    return false;
  }
  QueueReply(response_);
  return Flush(why);
}

bool DaemonClient::Resume(std::string& why) {
  if (!machine_.Resume(handle_, parked_, response_)) return true;
  QueueReply(response_);
  return Flush(why);
}

void DaemonClient::QueueReply(const wire::Bytes& response) {
  out_.resize(kHeader);
  wire::SetWord(out_, 0, static_cast<uint32_t>(response.size()));
  out_.insert(out_.end(), response.begin(), response.end());
  sent_ = 0;
}

bool DaemonClient::Flush(std::string& why) {
  while (sent_ < out_.size()) {
    const ssize_t n =
        send(fd_, out_.data() + sent_, out_.size() - sent_, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) {
      why = errno == EPIPE || errno == ECONNRESET ? "" : strerror(errno);
      return false;
    }
    sent_ += static_cast<size_t>(n);
  }
  out_.clear();
  if (out_.capacity() > kKeptCapacity) wire::Bytes().swap(out_);
  sent_ = 0;
  return true;
}

}  // namespace sim
