// The asynchronous context of lines. An asynchronous operation names its notification line by a
// 32-bit handle (the `async_lp` word cannot hold a pointer on every platform): the line gets its
// handle at attach and loses it at detach. A notification line keeps the pending list of the
// lines whose driver request a completion notice to it will finish; the threads that start
// operations and the thread waiting for notices share it under one mutex of its own.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx {

struct PendingEntry {
  VtxLine* line;
  PendingEntry* prev;
  PendingEntry* next;
};

namespace api {

constexpr uint32_t kFrameBlockSize = 10240;  // a line's frame block

// Gives the line its handle (at attach) and takes it back (at detach).
void RegisterLineHandle(VtxLine* line);
void UnregisterLineHandle(VtxLine* line);
// The attached line of a handle, or null.
VtxLine* LineByHandle(uint32_t handle);

// Links `line` into the pending list of the notification line named by `notify_handle`; false
// when the handle names no line or the entry cannot be allocated.
bool AddPending(uint32_t notify_handle, VtxLine* line);
// Unlinks the line's entry from that list, when it is there.
void RemovePending(uint32_t notify_handle, const VtxLine* line);
// Finds the entry of the line whose session address is `address` in the pending list of
// `notify_line`, unlinks and releases it, and returns the line; null when no line is pending.
VtxLine* TakePending(VtxLine* notify_line, const uint8_t address[4]);
size_t PendingCount(const VtxLine* notify_line);

// The line's frame block, allocated on first need; null when the allocation fails.
uint8_t* FrameBlock(VtxLine* line);
// Abandons the line's asynchronous context: its pending entry and its frame block.
void ReleaseAsyncContext(VtxLine* line);
// At detach, everything the line holds of the asynchronous context, as a notification line too.
void ForgetAsyncContext(VtxLine* line);

}  // namespace api
}  // namespace vtx
