// The memory hooks and their installation.
#include "api/memory.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/capture.h"
#include "trace/api_log.h"
#include "vtx.h"

namespace vtx::api {
namespace {

struct Call {
  size_t size;
  int32_t ordinal;
  uint32_t tag;
} g_last_alloc, g_last_free;

void* RecordingAlloc(size_t size, int32_t ordinal, uint32_t tag) {
  g_last_alloc = {size, ordinal, tag};
  return malloc(size);
}
void RecordingFree(void* pointer, int32_t ordinal, uint32_t tag) {
  g_last_free = {0, ordinal, tag};
  free(pointer);
}

TEST(MemoryHooks, InstalledHooksSeeOrdinalAndTagAndNullRestoresTheHeap) {
  vtx::testing::TraceCapture capture(0xFFFFFFFF, trace::kFuncCalls | trace::kFuncDetail);
  VtxMemAllocFuncsSet(&RecordingAlloc, &RecordingFree);
  void* memory = MemAlloc(24, 515, kMemTagLine);
  MemFree(memory, 515, kMemTagAuxiliary);
  EXPECT_EQ(g_last_alloc.size, 24u);
  EXPECT_EQ(g_last_alloc.ordinal, 515);
  EXPECT_EQ(g_last_alloc.tag, kMemTagLine);
  EXPECT_EQ(g_last_free.tag, kMemTagAuxiliary);

  VtxMemAllocFuncsSet(nullptr, nullptr);
  g_last_alloc = {};
  MemFree(MemAlloc(8, -1, kMemTagPacket), -1, kMemTagPacket);
  EXPECT_EQ(g_last_alloc.size, 0u);

  std::vector<std::string> messages = capture.messages();
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].rfind("VtxMemAllocFuncsSet: Called (alloc_func_ptr=0x", 0), 0u);
  EXPECT_EQ(messages[1], "VtxMemAllocFuncsSet: Return ()");
  EXPECT_EQ(messages[2], "VtxMemAllocFuncsSet: Called (alloc_func_ptr=0x0,free_func_ptr=0x0)");
}

}  // namespace
}  // namespace vtx::api
