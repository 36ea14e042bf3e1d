// The simulator daemon: one socket connection per driver handle, so that the daemon closes the
// handle's sessions when this process goes away.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "os/driver.h"
#include "sim/frame_io.h"
#include "sim/wire.h"

namespace os {
namespace {

class DaemonTransport : public DriverTransport {
 public:
  explicit DaemonTransport(std::string path) : path_(std::move(path)) {}

  int Open(const char* device_name) override {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) {
      errno = ENAMETOOLONG;
      return -1;
    }
    memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      int error = errno;
      close(fd);
      errno = error;
      return -1;
    }
    sim::wire::Bytes frame{sim::kFrameOpen};
    frame.insert(frame.end(), device_name, device_name + strlen(device_name));
    sim::wire::Bytes answer;
    if (!sim::WriteFrame(fd, frame.data(), frame.size()) || !sim::ReadFrame(fd, answer) ||
        answer.size() != 4) {
      close(fd);
      errno = EIO;
      return -1;
    }
    int error = static_cast<int>(sim::wire::Word(answer, 0));
    if (error != 0) {
      close(fd);
      errno = error;
      return -1;
    }
    return fd;
  }

  int Close(int handle) override { return close(handle); }

  int Request(int handle, uint32_t subcommand, void* block) override {
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
  std::string path_;
};

}  // namespace

std::unique_ptr<DriverTransport> MakeDaemonTransport(const std::string& socket_path) {
  return std::make_unique<DaemonTransport>(socket_path);
}

}  // namespace os
