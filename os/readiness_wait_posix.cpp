// The readiness wait on epoll, woken through a pipe.
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "os/readiness_wait.h"

namespace os {
namespace {

// The events go to epoll and come back from it as they are: the same values.
static_assert(kReadable == EPOLLIN && kWritable == EPOLLOUT && kSocketError == EPOLLERR &&
              kHungUp == EPOLLHUP);
static_assert(EPOLLIN == POLLIN && EPOLLOUT == POLLOUT && EPOLLERR == POLLERR &&
              EPOLLHUP == POLLHUP);

constexpr int kMostPerWait = 64;

bool Control(int set_fd, int op, int fd, uint32_t events, void* tag) {
  epoll_event event{};
  event.events = events;
  event.data.ptr = tag;
  return epoll_ctl(set_fd, op, fd, &event) == 0;
}

}  // namespace

ReadinessWait::~ReadinessWait() {
  for (int fd : {wake_fds_[0], wake_fds_[1], set_fd_}) {
    if (fd >= 0) close(fd);
  }
}

bool ReadinessWait::Open(std::string& error) {
  set_fd_ = epoll_create1(EPOLL_CLOEXEC);
  if (set_fd_ < 0 || pipe2(wake_fds_, O_CLOEXEC | O_NONBLOCK) != 0 ||
      !Control(set_fd_, EPOLL_CTL_ADD, wake_fds_[0], EPOLLIN, this)) {
    error = std::string("epoll: ") + strerror(errno);
    return false;
  }
  return true;
}

bool ReadinessWait::Watch(int fd, uint32_t events, void* tag) {
  return Control(set_fd_, EPOLL_CTL_ADD, fd, events, tag);
}

bool ReadinessWait::Rewatch(int fd, uint32_t events, void* tag) {
  return Control(set_fd_, EPOLL_CTL_MOD, fd, events, tag);
}

void ReadinessWait::Wake() {
  if (woken_.exchange(true)) return;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = write(wake_fds_[1], &byte, 1);
}

int ReadinessWait::Wait(Readiness* ready, int capacity, int timeout_ms) {
  epoll_event events[kMostPerWait];
  const int count = epoll_wait(set_fd_, events, std::min(capacity, kMostPerWait), timeout_ms);
  if (count < 0) return errno == EINTR ? 0 : -1;
  int kept = 0;
  for (int i = 0; i < count; ++i) {
    if (events[i].data.ptr == this) {
      // Drained first, then cleared: a wake in between is seen by the round that follows this
      // wait, and every later one writes again.
      char drained[64];
      while (read(wake_fds_[0], drained, sizeof drained) > 0) {
      }
      woken_ = false;
    } else {
      ready[kept++] = {events[i].data.ptr, events[i].events};
    }
  }
  return kept;
}

}  // namespace os
