#include "api/async_context.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "api/line.h"
#include "api/memory.h"

namespace vtx::api {
namespace {

constexpr uint32_t kPendingTag = 0;
constexpr int32_t kPendingOrdinal = -1;

// The handles of attached lines and every pending list, each under its own lock.
struct Handles {
  std::mutex lock;
  std::unordered_map<uint32_t, VtxLine*> lines;
  uint32_t next = 1;
};

Handles& LineHandles() {
  static Handles handles;
  return handles;
}

std::mutex& PendingLock() {
  static std::mutex lock;
  return lock;
}

void Unlink(VtxLine* notify_line, PendingEntry* entry) {
  (entry->prev != nullptr ? entry->prev->next : notify_line->pending_first) = entry->next;
  (entry->next != nullptr ? entry->next->prev : notify_line->pending_last) = entry->prev;
  MemFree(entry, kPendingOrdinal, kPendingTag);
}

}  // namespace

void RegisterLineHandle(VtxLine* line) {
  Handles& handles = LineHandles();
  std::lock_guard<std::mutex> hold(handles.lock);
  // 0 means synchronous and 0xFFFFFFFF continue: neither names a line.
  while (handles.next == 0 || handles.next == 0xFFFFFFFF || handles.lines.count(handles.next)) {
    ++handles.next;
  }
  line->async_handle = handles.next++;
  handles.lines[line->async_handle] = line;
}

void UnregisterLineHandle(VtxLine* line) {
  Handles& handles = LineHandles();
  std::lock_guard<std::mutex> hold(handles.lock);
  handles.lines.erase(line->async_handle);
  line->async_handle = 0;
}

VtxLine* LineByHandle(uint32_t handle) {
  Handles& handles = LineHandles();
  std::lock_guard<std::mutex> hold(handles.lock);
  auto found = handles.lines.find(handle);
  return found == handles.lines.end() ? nullptr : found->second;
}

bool AddPending(uint32_t notify_handle, VtxLine* line) {
  VtxLine* notify_line = LineByHandle(notify_handle);
  if (notify_line == nullptr) return false;
  {
    // A line continued before its notice came is pending once still.
    std::lock_guard<std::mutex> hold(PendingLock());
    for (PendingEntry* entry = notify_line->pending_first; entry != nullptr; entry = entry->next) {
      if (entry->line == line) return true;
    }
  }
  auto* entry =
      static_cast<PendingEntry*>(MemAlloc(sizeof(PendingEntry), kPendingOrdinal, kPendingTag));
  if (entry == nullptr) return false;
  std::lock_guard<std::mutex> hold(PendingLock());
  entry->line = line;
  entry->next = nullptr;
  entry->prev = notify_line->pending_last;
  (entry->prev != nullptr ? entry->prev->next : notify_line->pending_first) = entry;
  notify_line->pending_last = entry;
  return true;
}

void RemovePending(uint32_t notify_handle, const VtxLine* line) {
  VtxLine* notify_line = LineByHandle(notify_handle);
  if (notify_line == nullptr) return;
  std::lock_guard<std::mutex> hold(PendingLock());
  for (PendingEntry* entry = notify_line->pending_first; entry != nullptr; entry = entry->next) {
    if (entry->line == line) {
      Unlink(notify_line, entry);
      return;
    }
  }
}

VtxLine* TakePending(VtxLine* notify_line, const uint8_t address[4]) {
  std::lock_guard<std::mutex> hold(PendingLock());
  for (PendingEntry* entry = notify_line->pending_first; entry != nullptr; entry = entry->next) {
    VtxLine* line = entry->line;
    if (memcmp(line->own_addr, address, 4) == 0) {
      Unlink(notify_line, entry);
      return line;
    }
  }
  return nullptr;
}

size_t PendingCount(const VtxLine* notify_line) {
  std::lock_guard<std::mutex> hold(PendingLock());
  size_t count = 0;
  for (PendingEntry* entry = notify_line->pending_first; entry != nullptr; entry = entry->next) {
    ++count;
  }
  return count;
}

uint8_t* FrameBlock(VtxLine* line) {
  if (line->aux_buffer == nullptr) {
    line->aux_buffer = MemAlloc(kFrameBlockSize, line->ordinal, kMemTagAuxiliary);
  }
  return static_cast<uint8_t*>(line->aux_buffer);
}

void ReleaseAsyncContext(VtxLine* line) {
  if (line->notify_handle != 0) RemovePending(line->notify_handle, line);
  if (line->aux_buffer != nullptr) {
    MemFree(line->aux_buffer, line->ordinal, kMemTagAuxiliary);
    line->aux_buffer = nullptr;
  }
}

void ForgetAsyncContext(VtxLine* line) {
  ReleaseAsyncContext(line);
  if (line->async_handle != 0) UnregisterLineHandle(line);
  std::lock_guard<std::mutex> hold(PendingLock());
  while (line->pending_first != nullptr) Unlink(line, line->pending_first);
}

}  // namespace vtx::api
