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

namespace {

// A list longer than one packet the host can receive comes as several events of the same code,
// sent together: the walk goes on with the next one when it is already waiting. Nothing waiting
// ends the list, with the result words of the last event read.
bool NextListEvent(VtxLine* line, WalkContext& walk) {
  MillArgs next{};
  if (WaitEvent(line, &next, walk.args.facility, walk.args.code, 0, walk.packet,
                sizeof walk.packet) != 1) {
    return false;
  }
  walk.args = next;
  return true;
}

}  // namespace

Step NextDescription(VtxLine* line, VtxTelephArgs* args, uint32_t id, packet::Tag& desc) {
  WalkContext& walk = *Walk(args);
  MillArgs& answer = walk.args;
  for (;;) {
    const int step = MillGetTag(&answer);
    if (step == 0 && NextListEvent(line, walk)) continue;
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
