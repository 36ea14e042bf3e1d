// What the telephony, switching and network operations share: the capability and asynchronous
// checks at their start, the request they send to the module itself, the wait for its answer
// and the drain of the rest of the answer's packet, and the report of a refusal.
#pragma once

#include <cstdint>

#include "api/result.h"
#include "vtx.h"

namespace vtx::teleph {

constexpr uint32_t kCapCallSwitch = 87;  // the module's CALL_SW facility answered
constexpr uint32_t kCapNetwork = 70;     // the module takes network settings

// The common start of the operations that act on the module as a whole: synchronous only (29)
// and `capability` present (3). False with the result words set.
bool SynchronousWith(VtxLine* line, uint32_t async_lp, uint32_t capability, VtxResult* result);
// The switching operations' start: capability 87.
inline bool SwitchingAllowed(VtxLine* line, uint32_t async_lp, VtxResult* result) {
  return SynchronousWith(line, async_lp, kCapCallSwitch, result);
}

// The send record of a REQUEST with `tags` (may be null) to the module itself (byte 1 of the
// address 1), without time limit and without waiting for input.
MillArgs ModuleRequest(uint32_t facility, uint32_t code, const MillTagItem* tags);
// Forms and sends `send`: true when sent, else false with the result words.
bool SendFormed(VtxLine* line, MillArgs& send, VtxResult* result);
// Both at once.
bool SendRequest(VtxLine* line, uint32_t facility, uint32_t code, const MillTagItem* tags,
                 VtxResult* result);

// Prepares `wait` (cleared) for the EVENT `code` of `facility`, without draining, and waits
// `timeout` ms: 1 matched, 0 timed out, -1 error; the packet goes to `buffer` when given.
int WaitEvent(VtxLine* line, MillArgs* wait, uint32_t facility, uint32_t code, uint32_t timeout,
              uint8_t* buffer = nullptr, uint32_t size = 0);

// Reads what is left of the answer's packet without waiting. False (result words copied) when
// that ended other than by running out of input.
bool DrainRest(VtxLine* line, MillArgs* wait, VtxResult* result);

// The module refused: "<format with code>" at the error level, `status` 2, `line_status` 26, and
// the line keeps the refused family's class and the code for the status texts.
void FirmwareRefused(VtxLine* line, VtxResult* result, uint32_t error_class, uint32_t code,
                     const char* format);

// The integer of the first top-level tag `id` of the current command of `wait`, or 0.
uint32_t CommandTagInt(const MillArgs& wait, uint32_t id);

}  // namespace vtx::teleph
