// A master module's event thread: it checks the ISDN firmware, starts board notification and the
// call-control objects, then receives the module's packets on the administration line and hands
// them to the module's dispatcher until it is told to stop or the board fails.
#pragma once

#include "callctrl/board/board_module.h"

namespace vtx::callctrl {

constexpr uint32_t kEventWait = 1800000;  // ms of one receive of the event thread
constexpr uint32_t kFirmwareWait = 1000;  // ms for each answer of the ISDN and ADMIN exchanges
constexpr uint32_t kIsdnStopWait = 5000;  // ms for the ISDN reset that stops the control channel

// Starts the thread and waits until it has started the module: false (with its message) when it
// could not, the thread then having ended.
bool StartEventThread(BoardModule& module);
// Tells the thread to stop, wakes it and waits for its end; nothing when none runs.
void EndEventThread(BoardModule& module);

// The ISDN firmware version check: true for version 7.0.64.
bool CheckIsdnVersion(BoardModule& module);
// Board notification on, by the module's kind of call control, and off again.
void StartBoardNotify(BoardModule& module);
void StopBoardNotify(BoardModule& module);

}  // namespace vtx::callctrl
