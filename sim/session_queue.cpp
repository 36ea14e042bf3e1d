#include "sim/session_queue.h"

#include <algorithm>
#include <cstring>

namespace sim {

void SessionQueue::Configure(size_t limit, const std::function<void()>* changed) {
  limit_ = limit;
  changed_ = changed;
}

void SessionQueue::Changed() {
  arrived_.notify_all();
  if (changed_ != nullptr && *changed_) (*changed_)();
}

void SessionQueue::Push(QueuedPacket packet) {
  if (packets_.size() >= limit_) {
    overflowed_ = true;
    Changed();
    return;
  }
  // Packets become ready in order of their time; equal times keep the order of arrival.
  auto later = std::upper_bound(
      packets_.begin(), packets_.end(), packet.ready,
      [](SimClock::time_point ready, const QueuedPacket& queued) { return ready < queued.ready; });
  packets_.insert(later, std::move(packet));
  Changed();
}

bool SessionQueue::HasReady() const {
  return !packets_.empty() && packets_.front().ready <= SimClock::now();
}

SessionQueue::Taken SessionQueue::TakeReady(SimClock::time_point wait_until, size_t capacity,
                                            std::vector<uint8_t>& out,
                                            SimClock::time_point& retry_at) {
  if (closed_) return Taken::kGone;
  if (overflowed_) {
    overflowed_ = false;
    return Taken::kOverflow;
  }
  if (HasReady()) {
    if (packets_.front().bytes.size() > capacity) return Taken::kTooSmall;
    out.swap(packets_.front().bytes);
    packets_.pop_front();
    return Taken::kPacket;
  }
  if (SimClock::now() >= wait_until) return Taken::kNoData;
  retry_at = wait_until;
  if (!packets_.empty() && packets_.front().ready < retry_at) retry_at = packets_.front().ready;
  return Taken::kNotYet;
}

SessionQueue::Taken SessionQueue::Take(std::unique_lock<std::mutex>& lock,
                                       SimClock::time_point wait_until, size_t capacity,
                                       std::vector<uint8_t>& out) {
  for (;;) {
    SimClock::time_point until;
    const Taken taken = TakeReady(wait_until, capacity, out, until);
    if (taken != Taken::kNotYet) return taken;
    arrived_.wait_until(lock, until);
  }
}

void SessionQueue::Clear() {
  packets_.clear();
}

void SessionQueue::ClearFrom(uint32_t session, const uint8_t dest[4]) {
  const bool all = dest[0] == 0 && dest[1] == 0 && dest[2] == 0 && dest[3] == 0;
  packets_.erase(std::remove_if(packets_.begin(), packets_.end(),
                                [&](const QueuedPacket& p) {
                                  return p.from_session == session &&
                                         (all || memcmp(p.dest, dest, 4) == 0);
                                }),
                 packets_.end());
}

void SessionQueue::Close() {
  closed_ = true;
  Changed();
}

}  // namespace sim
