#include "sim/embedded.h"

#include <mutex>

namespace sim {
namespace {

std::mutex g_lock;
std::unique_ptr<Machine> g_machine;

}  // namespace

Machine& EmbeddedMachine() {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_machine) g_machine = Machine::Default();
  return *g_machine;
}

void ReplaceEmbeddedMachine(std::unique_ptr<Machine> machine) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_machine = std::move(machine);
}

}  // namespace sim
