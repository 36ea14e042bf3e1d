#include "sim/daemon.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sim/frame_io.h"

namespace sim {

Daemon::Daemon(Machine& machine, std::string socket_path)
    : machine_(machine), socket_path_(std::move(socket_path)) {}

Daemon::~Daemon() {
  Stop();
}

bool Daemon::Start(std::string& error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket_path_.size() >= sizeof address.sun_path) {
    error = "socket path too long: " + socket_path_;
    return false;
  }
  memcpy(address.sun_path, socket_path_.c_str(), socket_path_.size() + 1);
  listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) {
    error = std::string("socket: ") + strerror(errno);
    return false;
  }
  unlink(socket_path_.c_str());
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_fd_, 64) != 0) {
    error = socket_path_ + ": " + strerror(errno);
    close(listen_fd_);
    listen_fd_ = -1;
    return false;
  }
  acceptor_ = std::thread(&Daemon::AcceptLoop, this);
  return true;
}

void Daemon::Stop() {
  if (stopping_.exchange(true)) return;
  if (acceptor_.joinable()) acceptor_.join();
  {
    std::unique_lock<std::mutex> hold(clients_lock_);
    for (int fd : client_fds_) shutdown(fd, SHUT_RDWR);
    clients_done_.wait(hold, [this] { return client_fds_.empty(); });
  }
  if (listen_fd_ >= 0) {
    close(listen_fd_);
    unlink(socket_path_.c_str());
  }
}

void Daemon::AcceptLoop() {
  while (!stopping_) {
    pollfd waiting{listen_fd_, POLLIN, 0};
    if (poll(&waiting, 1, 50) <= 0) continue;
    int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> hold(clients_lock_);
    client_fds_.push_back(fd);
    std::thread(&Daemon::ServeClient, this, fd).detach();
  }
}

void Daemon::ServeClient(int fd) {
  wire::Bytes frame;
  wire::Bytes response;
  int handle = -1;
  // A connection opens the device, makes requests on the handle and closes it, and may then open
  // it again: the library keeps idle connections for its next open.
  while (ReadFrame(fd, frame) && !frame.empty()) {
    uint8_t kind = frame[0];
    if (kind == kFrameOpen && handle < 0) {
      int error = 0;
      handle = machine_.Open(std::string(frame.begin() + 1, frame.end()), error);
      response.assign(4, 0);
      wire::SetWord(response, 0, static_cast<uint32_t>(error));
    } else if (kind == kFrameRequest && handle >= 0) {
      machine_.Serve(handle, frame.data() + 1, frame.size() - 1, response);
    } else if (kind == kFrameClose && handle >= 0) {
      machine_.Close(handle);
      handle = -1;
      response.assign(4, 0);
    } else {
      break;  // a frame out of turn: this connection is not speaking the protocol
    }
    if (!WriteFrame(fd, response.data(), response.size())) break;
  }
  if (handle >= 0) machine_.Close(handle);
  std::lock_guard<std::mutex> hold(clients_lock_);
  client_fds_.erase(std::remove(client_fds_.begin(), client_fds_.end(), fd), client_fds_.end());
  close(fd);
  clients_done_.notify_all();
}

}  // namespace sim
