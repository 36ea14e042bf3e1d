// Master and slave: the first process of the machine to register a module's name in the board's
// name registry is the module's master; any later one is a slave that connects to the master.
#pragma once

#include <cstdint>

#include "callctrl/board/board_module.h"
#include "packet/command_reader.h"

namespace vtx::callctrl {

constexpr uint32_t kRegistryWait = 2000;  // ms for each answer of the name registry
constexpr uint32_t kMasterWait = 2000;    // ms for each packet while waiting for the master

// Registers `line`'s own address under `name` in the board's name registry: true when the
// registry took it. The name goes when the session does.
bool RegisterSessionName(VtxLine* line, const char* name);

// A session with `facility` of the module itself, or null.
VtxLine* AttachModuleSession(uint32_t module_number, uint32_t facility);
void DetachLine(VtxLine* line);

// Finds the module's master through the name registry and opens the administration line: as
// master with a new session registered under the module's name, as slave (in_other_process set)
// with the query session. False, with its message, when there is no administration line.
bool OpenAdministration(BoardModule& module);

// One attempt to connect to the module's master: true when MASTER_READY arrived.
bool ConnectToMaster(BoardModule& module);

// The master's answer to a slave's SLAVE_CONNECT, from the module's event thread.
void AnswerSlave(BoardModule& module, const packet::Command& connect);

}  // namespace vtx::callctrl
