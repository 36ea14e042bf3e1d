// The input queue of one driver session: packets waiting to be received, each ready from a
// given time (a delayed firmware reply), with the wait of MSG_RECEIVE on a condition variable
// that releases the machine's lock while it waits. The queue holds at most its limit of
// packets: one more is dropped and the next receive reports the overrun, as a driver does when
// an application does not read its input.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
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
  enum class Taken { kPacket, kNoData, kTooSmall, kGone, kOverflow, kNotYet };

  // `changed` (may be null, must outlive the queue) is called whenever a packet arrives or the
  // session goes, under the lock that guards the queue: a server that does not wait on the
  // condition variable learns from it when to look again.
  void Configure(size_t limit, const std::function<void()>* changed);
  void SetLimit(size_t limit) { limit_ = limit; }

  void Push(QueuedPacket packet);
  // A buffer for a packet about to be pushed: one that a packet taken earlier left behind, so
  // that packets going round allocate nothing once the queue has seen a few.
  std::vector<uint8_t> SpareBuffer();
  // Takes the first ready packet into `out` (swapped, so that its buffer is reused). Waits while
  // none is ready, releasing `lock`, until `wait_until`; kTooSmall leaves a packet larger than
  // `capacity` in place; kOverflow once after packets were dropped; kGone once the session is
  // destroyed.
  Taken Take(std::unique_lock<std::mutex>& lock, SimClock::time_point wait_until, size_t capacity,
             std::vector<uint8_t>& out);
  // As Take, without waiting: kNotYet when nothing is ready before `wait_until`, with the time
  // to look again in `retry_at` (unless a packet arrives first).
  Taken TakeReady(SimClock::time_point wait_until, size_t capacity, std::vector<uint8_t>& out,
                  SimClock::time_point& retry_at);
  bool HasReady() const;
  size_t Size() const { return packets_.size() - first_; }
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
  void Changed();
  void CompleteWatch(SimClock::time_point ready);
  void RemoveNotices(uint64_t id);
  QueuedPacket& front() { return packets_[first_]; }
  bool empty() const { return first_ == packets_.size(); }
  void PopFront();

  // The packets from `first_` on, in order of their time; the slots before it are taken and
  // reused once the queue runs empty (a deque would free and allocate its blocks as it goes).
  std::vector<QueuedPacket> packets_;
  size_t first_ = 0;
  std::vector<std::vector<uint8_t>> spare_;  // buffers of taken packets, a few at most
  std::condition_variable arrived_;
  bool closed_ = false;
  bool overflowed_ = false;
  size_t limit_ = SIZE_MAX;
  const std::function<void()>* changed_ = nullptr;
  AsyncWatch watch_;
};

}  // namespace sim
