#include "teleph/list_walk.h"

#include <new>

#include "api/line.h"
#include "api/memory.h"
#include "teleph/request.h"

namespace vtx::teleph {

WalkContext* NewWalk(VtxLine* line, VtxTelephArgs* args) {
  void* memory = api::MemAlloc(sizeof(WalkContext), line->ordinal, api::kMemTagPacket);
  if (memory == nullptr) {
    SetResult(reinterpret_cast<VtxResult*>(args), CV_STATUS_ERROR, APIERR_MEMORY);
    return nullptr;
  }
  auto* walk = new (memory) WalkContext{};
  args->iter_context = walk;
  return walk;
}

void EndWalk(VtxLine* line, VtxTelephArgs* args, uint32_t reset_flag) {
  api::MemFree(args->iter_context, line->ordinal, api::kMemTagPacket);
  args->iter_context = nullptr;
  line->reset_status |= reset_flag;
}

int NextTag(WalkContext* walk, uint32_t id) {
  for (;;) {
    const int step = MillGetTag(&walk->args);
    if (step <= 0) return step;
    if (walk->args.tag_id == id) return 1;
  }
}

}  // namespace vtx::teleph
