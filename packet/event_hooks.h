// The facility event hooks: what a received EVENT command changes in the line's state. The
// handlers of the telephony and fax families plug in here; until they exist the hooks record
// the flags, counts and line states that those handlers start from.
#pragma once

#include "vtx.h"

namespace vtx::packet {

// Applies the hook of the parsed EVENT command in `work`; a failure (a fax holdup answer that
// could not be sent) is left in its result words.
void ApplyEventHooks(VtxLine* line, MillArgs* work);

// The events whose handlers belong to the operation families above this layer; each family
// installs its handler when an application first registers a function for the event.
enum class HookedEvent {
  kBoardNotify,      // ADMIN BOARD_NOTIFY
  kBoardTestStatus,  // ADMIN BOARD_TEST_STATUS
  kSignalingState,   // TELE_CTRL SIG_STATE
  kToneDetection,    // SIG_DET SIGNAL_DETECTION
  kCount,
};
using EventHandler = void (*)(VtxLine* line, MillArgs* work);
void InstallEventHandler(HookedEvent event, EventHandler handler);

}  // namespace vtx::packet
