// The input queue of one driver session: packets waiting to be received, each ready from a
// given time (a delayed firmware reply), with the wait of MSG_RECEIVE on a condition variable
// that releases the machine's lock while it waits.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace sim {

using SimClock = std::chrono::steady_clock;

struct QueuedPacket {
  std::vector<uint8_t> bytes;
  SimClock::time_point ready;
  uint32_t from_session = 0;  // 0 for the firmware
  uint8_t dest[4] = {};       // as the sender addressed it, masked
  uint64_t notice_of = 0;     // a completion notice: the asynchronous receive it completes
};

class SessionQueue {
 public:
  enum class Taken { kPacket, kNoData, kTooSmall, kGone };

  void Push(QueuedPacket packet);
  // Takes the first ready packet into `out` (swapped, so that its buffer is reused). Waits while
  // none is ready, releasing `lock`, until `wait_until`; kTooSmall leaves a packet larger than
  // `capacity` in place; kGone once the session is destroyed.
  Taken Take(std::unique_lock<std::mutex>& lock, SimClock::time_point wait_until, size_t capacity,
             std::vector<uint8_t>& out);
  bool HasReady() const;
  void Clear();
  // Drops the packets that `session` sent to `dest` (all of them when `dest` is 0).
  void ClearFrom(uint32_t session, const uint8_t dest[4]);
  // The session is gone: every waiter wakes with kGone.
  void Close();

  // An asynchronous receive that the driver queued: its completion notice goes to `notify` once
  // a packet is here (ready when the packet is); unless `deadline` is infinite, the time-out
  // notice is queued there for the deadline and stands if no packet came before it.
  void Watch(const std::shared_ptr<SessionQueue>& notify, std::vector<uint8_t> completed,
             std::vector<uint8_t> timed_out, SimClock::time_point deadline);
  // The driver cancels the queued receive: its notices are withdrawn.
  void CancelWatch();

 private:
  struct AsyncWatch {
    uint64_t id = 0;  // 0: no receive is queued
    std::weak_ptr<SessionQueue> notify;
    std::vector<uint8_t> completed;
    SimClock::time_point deadline;
  };
  void CompleteWatch(SimClock::time_point ready);
  void RemoveNotices(uint64_t id);

  std::deque<QueuedPacket> packets_;
  std::condition_variable arrived_;
  bool closed_ = false;
  AsyncWatch watch_;
};

}  // namespace sim
