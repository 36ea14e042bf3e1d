// The walk of a module's port list across calls: the first call asks the module for its list
// and keeps the answer in an iteration context that the record points to; each call reports
// the next described port; every end of the walk frees the context.
#pragma once

#include <cstdint>

#include "packet/command_reader.h"
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

enum class Step { kDescription, kEnd, kUnreadable, kRefused };

// Steps to the next top-level description tag `id` of the answer: kDescription with the tag in
// `desc`; kEnd when no tag is left; kUnreadable when the tags cannot be read; kRefused when the
// description is not a List tag (`status` 2, `line_status` 25, the walk ended with the reset
// status bit of the telephony lists).
Step NextDescription(VtxLine* line, VtxTelephArgs* args, uint32_t id, packet::Tag& desc);

}  // namespace vtx::teleph
