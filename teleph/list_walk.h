// The walk of a module's port list across calls: the first call asks the module for its list
// and keeps the answer in an iteration context that the record points to; each call reports
// the next described port; every end of the walk frees the context.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::teleph {

struct WalkContext {
  MillArgs args;  // the answer being read, its tag cursor where the last call stopped
  uint8_t packet[MILL_RECEIVE_BUFFER];
};

inline WalkContext* Walk(const VtxTelephArgs* args) {
  return static_cast<WalkContext*>(args->iter_context);
}

// Allocates the context through the memory hooks and sets the record's pointer; null with
// `status` 2, `line_status` 6 when there is no memory.
WalkContext* NewWalk(VtxLine* line, VtxTelephArgs* args);
// Frees the context and clears the pointer; `reset_flag` goes into the line's reset status.
void EndWalk(VtxLine* line, VtxTelephArgs* args, uint32_t reset_flag = 0);

// Steps to the next top-level tag `id` of the answer: 1 found (its data in the context's
// tag_data_ptr and tag_data_len), 0 at the end, -1 when the tags cannot be read.
int NextTag(WalkContext* walk, uint32_t id);

}  // namespace vtx::teleph
