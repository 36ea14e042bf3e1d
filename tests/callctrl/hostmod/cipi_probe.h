// What the probe library records, shared by the library and the tests that drive it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "callctrl/hostlib/cipi.h"

struct ProbeState {
  // Set by the test before the start.
  int32_t open_result = 0;
  int32_t get_event_result = 3;  // what CIPI_GetEvent answers when it has no event to send
  int events_to_send = 0;        // events of kind call released, calls numbered from 1
  uint32_t next_call = 1;
  // Recorded by the library.
  int32_t trace_level = -1;
  CIPI_ConfigKeyFn keys = nullptr;
  int32_t fit_result = 0, fit_size = 0;
  std::string fit_value;
  int32_t short_result = 0, short_size = 0;
  int32_t unknown_result = 0, unknown_size = 0;
  int get_events = 0;
  bool closed = false;
  std::string calls;  // "SetTrace Open GetEvent ... Close "
};

using ProbeStateFn = ProbeState* (*)();
using ProbeLockFn = std::mutex* (*)();
using ProbeNotifyFn = void (*)();
