// What the telephony subcommands (ports, connections, connect, disconnect-all, net) share: a
// reset line on the module, the report of an operation's outcome, and the checks of their
// numeric arguments.
#pragma once

#include <cstdint>
#include <string>

#include "tools/tarrow/command.h"
#include "vtx.h"

namespace tarrow {

// The address family of every address that the switch and the network configuration carry.
constexpr uint16_t kFamilyInet = 2;

// A line on the module, reset with the user preference file so that its capabilities are known;
// null after a message on standard error.
VtxLine* OpenTelephLine(const char* command, unsigned module);
void CloseTelephLine(VtxLine* line);
// A line on channel `channel` of the module, reset likewise; null after a message. Closed with
// CloseTelephLine.
VtxLine* OpenChannelLine(const char* command, unsigned module, unsigned channel);
// A session with the module itself (its ADMIN facility), not reset; null after a message.
VtxLine* AttachModuleSession(const char* command, unsigned module);
// A line on the module itself (its ADMIN facility), reset likewise: the board maintenance
// operations work there. Closed with CloseTelephLine.
VtxLine* OpenModuleLine(const char* command, unsigned module);

// 0 for an operation that returned 0. Otherwise 1 after a message on standard error: for a
// refusal (a positive result code) "tarrow COMMAND: refused with result N: TEXT", the firmware's
// text of the code; for a failure the text of the record's result words.
int ReportOutcome(const char* command, const VtxLine* line, int ret, uint32_t status,
                  uint32_t line_status);

// A number from 0 to `max`, decimal or 0x-hexadecimal; false after "tarrow COMMAND: expected a
// number from 0 to MAX for WHAT, got "TEXT"" on standard error.
bool ParseNumber(const char* command, const char* what, const std::string& text, uint32_t max,
                 uint32_t& out);

// The MODULE argument, removed from the front of `args`; false after the usage line.
bool TakeModule(Args& args, const char* usage, unsigned& module);
// The same for a command whose only argument is MODULE: anything left shows the usage line.
bool TakeModuleAlone(Args& args, const char* usage, unsigned& module);

}  // namespace tarrow
