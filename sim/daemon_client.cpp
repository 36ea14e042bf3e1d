#include "sim/daemon_client.h"

#include <algorithm>
#include <cstring>

#include "os/readiness_wait.h"
#include "sim/frame_io.h"

namespace sim {
namespace {

constexpr size_t kHeader = 4;
constexpr size_t kReadChunk = 64 * 1024;
// A frame buffer larger than this is given back after its frame, so that a client that once
// sent a large request does not keep the memory.
constexpr size_t kKeptCapacity = 64 * 1024;

}  // namespace

DaemonClient::DaemonClient(Machine& machine, int fd, const Peer& peer, SimClock::time_point now,
                           const std::function<void()>& wake)
    : machine_(machine), fd_(fd), peer_(peer), last_progress_(now) {
  parked_.wake = &wake;
}

DaemonClient::~DaemonClient() {
  if (handle_ >= 0) machine_.Close(handle_);
  os::SocketClose(fd_);
}

uint32_t DaemonClient::Events() const {
  return sent_ < out_.size() ? os::kWritable : os::kReadable;
}

bool DaemonClient::Ready(uint32_t events, size_t max_frame, SimClock::time_point now,
                         std::string& why) {
  if ((events & os::kWritable) != 0) {
    last_progress_ = now;
    return Flush(why) && ServeBuffered(max_frame, why);
  }
  if ((events & (os::kReadable | os::kHungUp | os::kSocketError)) == 0) return true;
  if (parked_.waiting) {
    // A client waiting for its receive sends nothing; end of file means it went away.
    uint8_t byte;
    const os::SocketTransfer read = os::SocketReadSome(fd_, &byte, 1);
    if (read.outcome == os::SocketTransfer::kWouldBlock) return true;
    why = read.outcome == os::SocketTransfer::kMoved ? "a frame out of turn while its receive waits"
                                                     : "";
    return false;
  }
  return ReadSome(max_frame, now, why);
}

bool DaemonClient::ReadSome(size_t max_frame, SimClock::time_point now, std::string& why) {
  // Before a frame's header is in, as much as a chunk holds, so that a frame that arrived whole
  // costs one read; after it, only the rest of the frame.
  const size_t wanted = in_.size() < kHeader ? kReadChunk : kHeader + frame_size_ - in_.size();
  uint8_t chunk[kReadChunk];
  const os::SocketTransfer read = os::SocketReadSome(fd_, chunk, std::min(wanted, sizeof chunk));
  if (read.outcome == os::SocketTransfer::kWouldBlock) return true;
  if (read.outcome != os::SocketTransfer::kMoved) {
    why = read.outcome == os::SocketTransfer::kFailed ? strerror(read.error)
          : in_.empty()                               ? ""
                                                      : "the connection ended inside a frame";
    return false;
  }
  last_progress_ = now;
  in_.insert(in_.end(), chunk, chunk + read.count);
  return ServeBuffered(max_frame, why);
}

bool DaemonClient::ServeBuffered(size_t max_frame, std::string& why) {
  // A client that sent ahead has its next frames served one at a time, each once the reply to
  // the last one is out.
  while (!parked_.waiting && sent_ >= out_.size() && in_.size() >= kHeader) {
    frame_size_ = wire::Word(in_, 0);
    if (frame_size_ == 0 || frame_size_ > max_frame) {
      why = "a frame of " + std::to_string(frame_size_) + " bytes (at most " +
            std::to_string(max_frame) + ")";
      return false;
    }
    const size_t end = kHeader + frame_size_;
    if (in_.size() < end) return true;
    if (!ServeFrame(why)) return false;
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(end));
    if (parked_.waiting && !in_.empty()) {
      why = "a frame out of turn while its receive waits";
      return false;
    }
  }
  if (in_.empty() && in_.capacity() > kKeptCapacity) wire::Bytes().swap(in_);
  return true;
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
    const os::SocketTransfer written =
        os::SocketWriteSome(fd_, out_.data() + sent_, out_.size() - sent_);
    if (written.outcome == os::SocketTransfer::kWouldBlock) return true;
    if (written.outcome != os::SocketTransfer::kMoved) {
      why = written.outcome == os::SocketTransfer::kFailed ? strerror(written.error) : "";
      return false;
    }
    sent_ += written.count;
  }
  out_.clear();
  if (out_.capacity() > kKeptCapacity) wire::Bytes().swap(out_);
  sent_ = 0;
  return true;
}

}  // namespace sim
