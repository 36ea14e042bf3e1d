#include "sim/session_queue.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace sim {
namespace {
constexpr size_t kSpareBuffers = 4;
}  // namespace

void SessionQueue::SetLimit(size_t limit) {
  std::lock_guard<std::mutex> hold(lock_);
  limit_ = limit;
}

void SessionQueue::Changed() {
  arrived_.notify_all();
  if (wake_ != nullptr && *wake_) (*wake_)();
}

void SessionQueue::Deliver(std::optional<Notice> notice) {
  while (notice) {
    SessionQueue& to = *notice->to;
    std::lock_guard<std::mutex> hold(to.lock_);
    if (notice->replaces != 0) to.RemoveNoticesLocked(notice->replaces);
    notice = to.PushLocked(std::move(notice->packet));
  }
}

void SessionQueue::Push(QueuedPacket packet) {
  std::optional<Notice> notice;
  {
    std::lock_guard<std::mutex> hold(lock_);
    notice = PushLocked(std::move(packet));
  }
  Deliver(std::move(notice));
}

std::optional<SessionQueue::Notice> SessionQueue::PushLocked(QueuedPacket packet) {
  if (SizeLocked() >= limit_) {
    overflowed_ = true;
    Changed();
    return watch_.id != 0 ? CompleteWatch(SimClock::now()) : std::nullopt;
  }
  // Packets become ready in order of their time; equal times keep the order of arrival.
  auto later = std::upper_bound(
      packets_.begin() + static_cast<std::ptrdiff_t>(first_), packets_.end(), packet.ready,
      [](SimClock::time_point ready, const QueuedPacket& queued) { return ready < queued.ready; });
  const SimClock::time_point ready = packet.ready;
  packets_.insert(later, std::move(packet));
  Changed();
  return watch_.id != 0 ? CompleteWatch(ready) : std::nullopt;
}

std::vector<uint8_t> SessionQueue::SpareBuffer() {
  std::lock_guard<std::mutex> hold(lock_);
  if (spare_.empty()) return {};
  std::vector<uint8_t> buffer = std::move(spare_.back());
  spare_.pop_back();
  return buffer;
}

bool SessionQueue::HasReady() const {
  std::lock_guard<std::mutex> hold(lock_);
  return HasReadyLocked();
}

bool SessionQueue::HasReadyLocked() const {
  return first_ < packets_.size() && packets_[first_].ready <= SimClock::now();
}

size_t SessionQueue::Size() const {
  std::lock_guard<std::mutex> hold(lock_);
  return SizeLocked();
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
                                            SimClock::time_point& retry_at,
                                            const std::function<void()>* wake) {
  std::lock_guard<std::mutex> hold(lock_);
  const Taken taken = TakeLocked(wait_until, capacity, out, retry_at);
  wake_ = taken == Taken::kNotYet ? wake : nullptr;
  return taken;
}

SessionQueue::Taken SessionQueue::TakeLocked(SimClock::time_point wait_until, size_t capacity,
                                             std::vector<uint8_t>& out,
                                             SimClock::time_point& retry_at) {
  if (closed_) return Taken::kGone;
  if (overflowed_) {
    overflowed_ = false;
    return Taken::kOverflow;
  }
  if (HasReadyLocked()) {
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

SessionQueue::Taken SessionQueue::Take(SimClock::time_point wait_until, size_t capacity,
                                       std::vector<uint8_t>& out) {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    SimClock::time_point until;
    const Taken taken = TakeLocked(wait_until, capacity, out, until);
    if (taken != Taken::kNotYet) return taken;
    arrived_.wait_until(hold, until);
  }
}

void SessionQueue::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  ClearLocked();
}

void SessionQueue::ClearLocked() {
  packets_.clear();
  first_ = 0;
}

void SessionQueue::ClearFrom(uint32_t session, const uint8_t dest[4]) {
  const bool all = dest[0] == 0 && dest[1] == 0 && dest[2] == 0 && dest[3] == 0;
  std::lock_guard<std::mutex> hold(lock_);
  packets_.erase(
      std::remove_if(packets_.begin() + static_cast<std::ptrdiff_t>(first_), packets_.end(),
                     [&](const QueuedPacket& p) {
                       return p.from_session == session && (all || memcmp(p.dest, dest, 4) == 0);
                     }),
      packets_.end());
  if (empty()) ClearLocked();
}

void SessionQueue::Close() {
  CancelWatch();
  std::lock_guard<std::mutex> hold(lock_);
  closed_ = true;
  Changed();
  wake_ = nullptr;
}

void SessionQueue::Watch(const std::shared_ptr<SessionQueue>& notify,
                         std::vector<uint8_t> completed, std::vector<uint8_t> timed_out,
                         SimClock::time_point deadline) {
  static std::atomic<uint64_t> next_id{0};
  CancelWatch();
  std::optional<Notice> notice;
  {
    std::lock_guard<std::mutex> hold(lock_);
    watch_.id = ++next_id;
    watch_.notify = notify;
    watch_.completed = std::move(completed);
    watch_.deadline = deadline;
    if (!empty()) {
      notice = CompleteWatch(front().ready);
    } else if (deadline != SimClock::time_point::max()) {
      notice = Notice{notify, 0, {std::move(timed_out), deadline, 0, {}, watch_.id}};
    }
  }
  Deliver(std::move(notice));
}

std::optional<SessionQueue::Notice> SessionQueue::CompleteWatch(SimClock::time_point ready) {
  auto notify = watch_.notify.lock();
  const uint64_t id = watch_.id;
  watch_.id = 0;
  // Once the deadline has passed the time-out notice stands: the request completed with it.
  if (notify == nullptr || SimClock::now() >= watch_.deadline) return std::nullopt;
  return Notice{std::move(notify), id, {std::move(watch_.completed), ready, 0, {}, id}};
}

std::pair<std::shared_ptr<SessionQueue>, uint64_t> SessionQueue::EndWatch() {
  std::lock_guard<std::mutex> hold(lock_);
  const uint64_t id = watch_.id;
  watch_.id = 0;
  return {id != 0 ? watch_.notify.lock() : nullptr, id};
}

void SessionQueue::CancelWatch() {
  const auto [notify, id] = EndWatch();
  if (notify == nullptr) return;
  std::lock_guard<std::mutex> hold(notify->lock_);
  notify->RemoveNoticesLocked(id);
}

void SessionQueue::RemoveNoticesLocked(uint64_t id) {
  const auto waiting = packets_.begin() + static_cast<std::ptrdiff_t>(first_);
  packets_.erase(std::remove_if(waiting, packets_.end(),
                                [id](const QueuedPacket& p) { return p.notice_of == id; }),
                 packets_.end());
}

}  // namespace sim
