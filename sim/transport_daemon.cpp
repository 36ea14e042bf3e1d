// The simulator daemon: a driver handle is one socket connection, so that the daemon closes the
// handle's sessions when this process goes away. Closed handles leave their connection idle for
// the next open, which spares a connection and a daemon thread per open. A handle that never
// created a session has nothing at the daemon that its close would end: it stays open there,
// parked, and the next open of the same device takes it without asking the daemon, so that a
// run of queries (a module lookup opens the driver once per module) pays one connection and one
// open between them.
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "os/driver.h"
#include "os/local_socket.h"
#include "sim/frame_io.h"
#include "sim/wire.h"
#include "vtx.h"

namespace os {
namespace {

constexpr size_t kIdleConnections = 8;

class DaemonTransport : public DriverTransport {
 public:
  explicit DaemonTransport(std::string path) : path_(std::move(path)) {}
  ~DaemonTransport() override {
    for (int fd : idle_) os::SocketClose(fd);
    for (const Parked& parked : parked_) os::SocketClose(parked.fd);
  }

  int Open(const char* device_name) override {
    for (int fd = TakeParked(device_name); fd >= 0; fd = TakeParked(device_name)) {
      // The daemon never sends anything unasked: a parked connection that it closed (it
      // restarted) reads as ready at once.
      if (os::SocketQuiet(fd)) return Opened(fd, device_name);
      os::SocketClose(fd);  // the daemon ended it (it restarted): the next one, or a new open
    }
    sim::wire::Bytes frame{sim::kFrameOpen};
    frame.insert(frame.end(), device_name, device_name + strlen(device_name));
    // An idle connection may have been ended by a daemon that restarted: then a new one.
    for (int fd = TakeIdle(); fd >= 0; fd = TakeIdle()) {
      int result = OpenOn(fd, frame);
      if (result != kConnectionLost) return result < 0 ? result : Opened(result, device_name);
    }
    int fd = os::LocalConnect(path_);
    if (fd < 0) return -1;
    int result = OpenOn(fd, frame);
    if (result == kConnectionLost) errno = EIO;
    return result == kConnectionLost ? -1 : result < 0 ? result : Opened(result, device_name);
  }

  int Close(int handle) override {
    {
      std::lock_guard<std::mutex> hold(lock_);
      auto open = open_.find(handle);
      const bool sessionless = open != open_.end() && !open->second.sessions;
      if (sessionless && parked_.size() < kIdleConnections) {
        parked_.push_back({handle, std::move(open->second.device)});
        open_.erase(open);
        return 0;
      }
      if (open != open_.end()) open_.erase(open);
    }
    const uint8_t frame[] = {sim::kFrameClose};
    sim::wire::Bytes answer;
    if (!sim::WriteFrame(handle, frame, sizeof frame) || !sim::ReadFrame(handle, answer)) {
      os::SocketClose(handle);
      return 0;  // the daemon is gone, and the handle with it
    }
    std::lock_guard<std::mutex> hold(lock_);
    if (idle_.size() < kIdleConnections) {
      idle_.push_back(handle);
    } else {
      os::SocketClose(handle);
    }
    return 0;
  }

  int Request(int handle, uint32_t subcommand, void* block) override {
    if (subcommand == VTX_DRV_SESSION_CREATE) {
      std::lock_guard<std::mutex> hold(lock_);
      auto open = open_.find(handle);
      if (open != open_.end()) open->second.sessions = true;
    }
    thread_local sim::wire::Bytes request;
    thread_local sim::wire::Bytes response;
    sim::wire::EncodeRequest(subcommand, block, request);
    request.insert(request.begin(), sim::kFrameRequest);
    if (!sim::WriteFrame(handle, request.data(), request.size()) ||
        !sim::ReadFrame(handle, response)) {
      errno = EIO;  // the daemon went away
      return -1;
    }
    int result = sim::wire::DecodeResponse(subcommand, response, block);
    errno = result;
    return result > 0 ? -1 : 0;
  }

  std::string Description() const override { return "simulator daemon at " + path_; }
  bool Simulated() const override { return true; }

 private:
  static constexpr int kConnectionLost = -2;

  // A handle open at the daemon, its device and whether it ever created a session there.
  struct OpenHandle {
    std::string device;
    bool sessions = false;
  };
  struct Parked {
    int fd;
    std::string device;
  };

  int Opened(int fd, const char* device_name) {
    std::lock_guard<std::mutex> hold(lock_);
    open_[fd] = OpenHandle{device_name, false};
    return fd;
  }

  int TakeParked(const char* device_name) {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto it = parked_.begin(); it != parked_.end(); ++it) {
      if (it->device != device_name) continue;
      int fd = it->fd;
      parked_.erase(it);
      return fd;
    }
    return -1;
  }

  int TakeIdle() {
    std::lock_guard<std::mutex> hold(lock_);
    if (idle_.empty()) return -1;
    int fd = idle_.back();
    idle_.pop_back();
    return fd;
  }

  // The handle (the connection itself), -1 with errno when the daemon refused the open, or
  // kConnectionLost when the connection failed.
  int OpenOn(int fd, const sim::wire::Bytes& frame) {
    sim::wire::Bytes answer;
    // A daemon that refuses this client answers before it reads the open and hangs up, so the
    // write may fail while its answer waits to be read; a daemon that is gone answers nothing.
    sim::WriteFrame(fd, frame.data(), frame.size());
    if (!sim::ReadFrame(fd, answer) || answer.size() != 4) {
      os::SocketClose(fd);
      return kConnectionLost;
    }
    int error = static_cast<int>(sim::wire::Word(answer, 0));
    if (error != 0) {
      os::SocketClose(fd);
      errno = error;
      return -1;
    }
    return fd;
  }

  std::string path_;
  std::mutex lock_;
  std::vector<int> idle_;
  std::vector<Parked> parked_;
  std::map<int, OpenHandle> open_;
};

}  // namespace

std::unique_ptr<DriverTransport> MakeDaemonTransport(const std::string& socket_path) {
  return std::make_unique<DaemonTransport>(socket_path);
}

}  // namespace os
