#include "sim/session_queue.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace sim {
namespace {
constexpr size_t kSpareBuffers = 4;
}  // namespace

void SessionQueue::Configure(size_t limit, const std::function<void()>* changed) {
  limit_ = limit;
  changed_ = changed;
}

void SessionQueue::Changed() {
  arrived_.notify_all();
  if (changed_ != nullptr && *changed_) (*changed_)();
}

void SessionQueue::Push(QueuedPacket packet) {
  if (Size() >= limit_) {
    overflowed_ = true;
    Changed();
    if (watch_.id != 0) CompleteWatch(SimClock::now());
    return;
  }
  // Packets become ready in order of their time; equal times keep the order of arrival.
  auto later = std::upper_bound(
      packets_.begin() + static_cast<std::ptrdiff_t>(first_), packets_.end(), packet.ready,
      [](SimClock::time_point ready, const QueuedPacket& queued) { return ready < queued.ready; });
  const SimClock::time_point ready = packet.ready;
  packets_.insert(later, std::move(packet));
  Changed();
  if (watch_.id != 0) CompleteWatch(ready);
}

std::vector<uint8_t> SessionQueue::SpareBuffer() {
  if (spare_.empty()) return {};
  std::vector<uint8_t> buffer = std::move(spare_.back());
  spare_.pop_back();
  return buffer;
}

bool SessionQueue::HasReady() const {
  return first_ < packets_.size() && packets_[first_].ready <= SimClock::now();
}

void SessionQueue::PopFront() {
  std::vector<uint8_t>& bytes = front().bytes;
  if (bytes.capacity() > 0 && spare_.size() < kSpareBuffers) spare_.push_back(std::move(bytes));
  ++first_;
  if (empty()) {
    packets_.clear();
    first_ = 0;
  } else if (first_ >= 64 && 2 * first_ >= packets_.size()) {
    // A queue that never runs empty drops its taken slots now and then.
    packets_.erase(packets_.begin(), packets_.begin() + static_cast<std::ptrdiff_t>(first_));
    first_ = 0;
  }
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
    if (front().bytes.size() > capacity) return Taken::kTooSmall;
    out.swap(front().bytes);
    PopFront();
    return Taken::kPacket;
  }
  if (SimClock::now() >= wait_until) return Taken::kNoData;
  retry_at = wait_until;
  if (!empty() && front().ready < retry_at) retry_at = front().ready;
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
  first_ = 0;
}

void SessionQueue::ClearFrom(uint32_t session, const uint8_t dest[4]) {
  const bool all = dest[0] == 0 && dest[1] == 0 && dest[2] == 0 && dest[3] == 0;
  packets_.erase(
      std::remove_if(packets_.begin() + static_cast<std::ptrdiff_t>(first_), packets_.end(),
                     [&](const QueuedPacket& p) {
                       return p.from_session == session && (all || memcmp(p.dest, dest, 4) == 0);
                     }),
      packets_.end());
  if (empty()) Clear();
}

void SessionQueue::Close() {
  CancelWatch();
  closed_ = true;
  Changed();
}

void SessionQueue::Watch(const std::shared_ptr<SessionQueue>& notify,
                         std::vector<uint8_t> completed, std::vector<uint8_t> timed_out,
                         SimClock::time_point deadline) {
  static std::atomic<uint64_t> next_id{0};
  CancelWatch();
  watch_.id = ++next_id;
  watch_.notify = notify;
  watch_.completed = std::move(completed);
  watch_.deadline = deadline;
  if (!empty()) {
    CompleteWatch(front().ready);
  } else if (deadline != SimClock::time_point::max()) {
    notify->Push({std::move(timed_out), deadline, 0, {}, watch_.id});
  }
}

void SessionQueue::CompleteWatch(SimClock::time_point ready) {
  auto notify = watch_.notify.lock();
  const uint64_t id = watch_.id;
  watch_.id = 0;
  // Once the deadline has passed the time-out notice stands: the request completed with it.
  if (notify == nullptr || SimClock::now() >= watch_.deadline) return;
  notify->RemoveNotices(id);
  notify->Push({std::move(watch_.completed), ready, 0, {}, id});
}

void SessionQueue::CancelWatch() {
  if (watch_.id == 0) return;
  if (auto notify = watch_.notify.lock()) notify->RemoveNotices(watch_.id);
  watch_.id = 0;
}

void SessionQueue::RemoveNotices(uint64_t id) {
  const auto waiting = packets_.begin() + static_cast<std::ptrdiff_t>(first_);
  packets_.erase(std::remove_if(waiting, packets_.end(),
                                [id](const QueuedPacket& p) { return p.notice_of == id; }),
                 packets_.end());
}

}  // namespace sim
