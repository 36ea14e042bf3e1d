// Waiting for any of many descriptors to become ready, for an event loop whose every round costs
// the same however many of its descriptors sit idle. Each descriptor is watched with a tag that
// the wait gives back; closing a descriptor stops its watch. Another thread ends a wait with
// Wake. POSIX hosts only: the Windows build has no daemon to run the loops.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace os {

// What a descriptor is watched for and what a wait saw on it. A hang-up and an error are seen
// whether watched for or not.
constexpr uint32_t kReadable = 0x001;
constexpr uint32_t kWritable = 0x004;
constexpr uint32_t kSocketError = 0x008;
constexpr uint32_t kHungUp = 0x010;

struct Readiness {
  void* tag;
  uint32_t events;  // the bits above
};

class ReadinessWait {
 public:
  ReadinessWait() = default;
  ~ReadinessWait();
  ReadinessWait(const ReadinessWait&) = delete;
  ReadinessWait& operator=(const ReadinessWait&) = delete;

  // The watched set and the channel that wakes it; false with the reason in `error`.
  bool Open(std::string& error);
  // Starts watching `fd`, or changes what it is watched for; false with errno set.
  bool Watch(int fd, uint32_t events, void* tag);
  bool Rewatch(int fd, uint32_t events, void* tag);
  // Ends the current or next Wait early; from any thread. Wakes that come before the waiting
  // thread has seen the last one are one wake.
  void Wake();
  // Waits up to `timeout_ms` (-1: without limit) and fills at most `capacity` of `ready`: the
  // count, 0 after a wake, a signal or the time-out, -1 with errno when the wait fails.
  int Wait(Readiness* ready, int capacity, int timeout_ms);

 private:
  int set_fd_ = -1;
  int wake_fds_[2] = {-1, -1};
  std::atomic<bool> woken_{false};
};

}  // namespace os
