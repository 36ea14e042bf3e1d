// What the board subcommands share: a reset line on the module that another administrator's run
// does not take away, the report of an operation's outcome, and the checks of their numeric
// arguments. Every failure is told once through Error (output.h).
#pragma once

#include <cstdint>
#include <string>

#include "tools/tarrow/command.h"
#include "vtx.h"

namespace tarrow {

// The address family of every address that the switch and the network configuration carry.
constexpr uint16_t kFamilyInet = 2;

// A line on a free channel of the module (else on the module itself), reset with the user
// preference file (the built-in settings after --defaults) so that its capabilities are known.
// Lines that other processes hold are passed over; when every one is held the run says so and waits
// a few seconds for one. Null after an error.
VtxLine* OpenTelephLine(unsigned module);
void CloseTelephLine(VtxLine* line);
// A line on channel `channel` of the module, reset likewise; null after an error. Closed with
// CloseTelephLine.
VtxLine* OpenChannelLine(unsigned module, unsigned channel);
// A session with the module itself (its ADMIN facility), not reset; null after an error.
VtxLine* AttachModuleSession(unsigned module);
// A line on the module itself (its ADMIN facility), reset likewise: the board maintenance
// operations work there. Closed with CloseTelephLine.
VtxLine* OpenModuleLine(unsigned module);

// 0 for an operation that returned 0. Otherwise 1 after an error: for a refusal (a positive
// result code) "refused with result N: TEXT", the firmware's text of the code; for a failure the
// text of the record's result words.
int ReportOutcome(const VtxLine* line, int ret, uint32_t status, uint32_t line_status);

// True when a failed record says that the module lacks the capability of the operation.
inline bool LacksCapability(uint32_t status, uint32_t line_status) {
  return status == CV_STATUS_ERROR && line_status == APIERR_BOARDCAPABILITY;
}

// A number from 0 to `max`, decimal or 0x-hexadecimal; false after "expected a number from 0 to
// MAX for WHAT, got "TEXT"".
bool ParseNumber(const char* what, const std::string& text, uint32_t max, uint32_t& out);

// The MODULE argument, removed from the front of `args`; false after the usage line.
bool TakeModule(Args& args, const char* usage, unsigned& module);
// The same for a command whose only argument is MODULE: anything left shows the usage line.
bool TakeModuleAlone(Args& args, const char* usage, unsigned& module);

}  // namespace tarrow
