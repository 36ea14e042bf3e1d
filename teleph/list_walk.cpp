#include "teleph/list_walk.h"

#include <new>

#include "api/line.h"
#include "api/memory.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "teleph/request.h"

namespace vtx::teleph {

WalkContext* NewWalk(VtxLine* line, VtxTelephArgs* args) {
  void* memory = api::MemAlloc(sizeof(WalkContext), line->ordinal, api::kMemTagPacket);
  if (memory == nullptr) {
    Fail(args, APIERR_MEMORY);
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

Step NextDescription(VtxLine* line, VtxTelephArgs* args, uint32_t id, packet::Tag& desc) {
  MillArgs& answer = Walk(args)->args;
  for (;;) {
    const int step = MillGetTag(&answer);
    if (step == 0) return Step::kEnd;
    if (step < 0) return Step::kUnreadable;
    if (answer.tag_id == id) break;
  }
  desc = packet::Tag{answer.tag_id, answer.tag_type, answer.tag_data_ptr, answer.tag_data_len};
  if (desc.IsList()) return Step::kDescription;
  Fail(args, APIERR_INVALID_BOARD_PARAM);
  EndWalk(line, args, kResetTelephony);
  return Step::kRefused;
}

}  // namespace vtx::teleph
