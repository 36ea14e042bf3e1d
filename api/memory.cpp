#include "api/memory.h"

#include <atomic>
#include <cstdlib>

#include "trace/api_log.h"
#include "vtx.h"

namespace vtx::api {
namespace {

void* HeapAlloc(size_t size, int32_t, uint32_t) {
  return malloc(size);
}
void HeapFree(void* pointer, int32_t, uint32_t) {
  free(pointer);
}

std::atomic<VtxAllocFunc> g_alloc{&HeapAlloc};
std::atomic<VtxFreeFunc> g_free{&HeapFree};

}  // namespace

void* MemAlloc(size_t size, int32_t ordinal, uint32_t tag) {
  return g_alloc.load(std::memory_order_relaxed)(size, ordinal, tag);
}

void MemFree(void* pointer, int32_t ordinal, uint32_t tag) {
  g_free.load(std::memory_order_relaxed)(pointer, ordinal, tag);
}

}  // namespace vtx::api

extern "C" void VtxMemAllocFuncsSet(VtxAllocFunc alloc_func, VtxFreeFunc free_func) {
  using vtx::api::HeapAlloc;
  using vtx::api::HeapFree;
  vtx::trace::CallEntry(nullptr, "VtxMemAllocFuncsSet", "alloc_func_ptr=0x%lX,free_func_ptr=0x%lX",
                        static_cast<unsigned long>(reinterpret_cast<uintptr_t>(alloc_func)),
                        static_cast<unsigned long>(reinterpret_cast<uintptr_t>(free_func)));
  vtx::api::g_alloc.store(alloc_func != nullptr ? alloc_func : &HeapAlloc);
  vtx::api::g_free.store(free_func != nullptr ? free_func : &HeapFree);
  vtx::trace::CallReturn(nullptr, "VtxMemAllocFuncsSet", nullptr, nullptr);
}
