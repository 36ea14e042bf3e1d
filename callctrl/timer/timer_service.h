// The process's timer service: one-shot timers for board ports and for host modules, run by
// one dispatching thread on an ACE timer queue. A board-port timer that expires becomes a
// HOST_CTRL ALERT packet sent to the module's own address, so that it reaches the module's event
// thread in order with the board's events; a host-module timer is posted to its host module's
// queue.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::callctrl {

// Where a host-module timer goes when it expires: the host module's queue.
class TimerTarget {
 public:
  // False when the target no longer takes messages (the timer is then lost, and traced).
  virtual bool PostTimer(uint32_t value1, uint32_t value2, uint32_t handle, uint32_t context) = 0;

 protected:
  ~TimerTarget() = default;
};

class TimerService;

// The service, created with its dispatching thread on first use (null only when it cannot be
// created).
TimerService* GetTimerService();
// Ends the dispatching thread and destroys the service with its pending timers, for a program
// that ends the framework; the next GetTimerService creates a new one.
void ShutdownTimerService();

// Handles are never 0. Creation returns 0 when the service lock or the scheduling fails, and
// -1 (as a handle) when memory runs out.
uint32_t CreatePortTimer(TimerService* service, uint32_t ms, uint32_t port, uint32_t module_number,
                         const uint8_t module_address[4], uint32_t context);
uint32_t CreateHostTimer(TimerService* service, uint32_t ms, uint32_t value1, uint32_t value2,
                         TimerTarget* target, uint32_t context);
void DeleteTimer(TimerService* service, uint32_t handle);
// The driver session the service sends its packets on (null when none could be opened).
VtxLine* TimerSession(TimerService* service);
// Timers scheduled and not yet fired or deleted.
uint32_t PendingTimers(TimerService* service);

}  // namespace vtx::callctrl
