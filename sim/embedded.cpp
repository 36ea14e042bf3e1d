#include "sim/embedded.h"

#include <cstdlib>
#include <mutex>

#include "sim/machine_file.h"

namespace sim {
namespace {

std::mutex g_lock;
std::unique_ptr<Machine> g_machine;
std::string g_error;

}  // namespace

std::unique_ptr<Machine> BuildMachine(const std::string& path, std::string& error) {
  if (path.empty()) return Machine::Default();
  auto machine = std::make_unique<Machine>();
  if (!LoadMachineFile(path, *machine, error)) return nullptr;
  return machine;
}

Machine& EmbeddedMachine() {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_machine) {
    const char* path = getenv("TARROW_SIM_BOARD");
    g_error.clear();
    g_machine = BuildMachine(path ? path : "", g_error);
    if (!g_machine) g_machine = std::make_unique<Machine>();
  }
  return *g_machine;
}

const std::string& EmbeddedMachineError() {
  EmbeddedMachine();
  return g_error;
}

void ReplaceEmbeddedMachine(std::unique_ptr<Machine> machine) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_machine = std::move(machine);
  g_error.clear();
}

}  // namespace sim
