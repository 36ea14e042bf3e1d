// The machine's records of driver connections and sessions, shared by its source files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sim/machine.h"
#include "sim/session_queue.h"

namespace sim {

struct Machine::Session {
  uint32_t handle = 0;
  int connection = 0;
  uint8_t own[4] = {};
  uint32_t flags = 0;
  bool associated = false;
  uint8_t remote[4] = {};
  // Shared so that a receive waiting on it outlives the session's destruction.
  std::shared_ptr<SessionQueue> queue = std::make_shared<SessionQueue>();
};

struct Machine::Connection {
  int id = 0;
  std::string device;
};

}  // namespace sim
