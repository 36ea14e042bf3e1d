// The command-and-answer exchange of the tone operations: a command to the line's channel, sent
// without time limit, and the event that answers it, waited for without time limit. Written as
// steps so that an asynchronous tone operation resumes it where its driver request was queued.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::teleph {

struct ToneExchange {
  uint32_t phase;  // 0 sending, 1 waiting for the answer
};

// Runs the exchange from where it stands. False while it must be continued (`status` 9 in
// `result`); true once it ended, with the result words of a failure in `result`.
bool RunToneExchange(VtxLine* line, ToneExchange& exchange, uint32_t facility, uint32_t verb,
                     uint32_t code, const MillTagItem* tags, uint32_t answer, VtxResult* result);

}  // namespace vtx::teleph
