// tarrow signaling MODULE UNIT STREAM SLOT --monitor [--once] | --set STATE [--duration MS
// --then STATE]: watches the incoming signalling state of a trunk time slot, or sets its outgoing
// state. A monitor without --once shows every report until interrupted.
#include <csignal>
#include <cstdio>
#include <string>

#include "tools/tarrow/command.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char kUsage[] =
    "signaling MODULE UNIT STREAM SLOT --monitor [--once] | --set STATE [--duration MS --then "
    "STATE] [--defaults]";
const char kUnset[] = "";
constexpr uint32_t kReceiveWait = 200;  // ms between looks at the interruption flag

volatile std::sig_atomic_t g_stop = 0;
uint32_t g_reports = 0;

void OnSignal(int) {
  g_stop = 1;
}

void Report(VtxLine*, VtxSignalingArgs* args) {
  ++g_reports;
  printf("unit %d stream %u slot %u: state 0x%X\n", args->unit, args->stream, args->time_slot,
         args->stateOut_0);
  fflush(stdout);
}

// Mode 1, every report until SIGINT or SIGTERM, then mode 2.
int MonitorUntilInterrupted(VtxLine* line, VtxSignalingArgs& args) {
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  args.mon_mode = VTX_SIG_MON_START;
  if (VtxCallSignalingStateMonitor(line, &args) != 0) {
    return ReportOutcome("signaling", line, -1, args.status, args.line_status);
  }
  while (g_stop == 0) {
    MillArgs receive{};
    receive.timeout = kReceiveWait;
    receive.no_hangup = 1;
    if (VtxRcvProcessPkt(line, &receive) < 0 ||
        (receive.status != CV_STATUS_OK && receive.status != CV_STATUS_TIMEOUT)) {
      return ReportOutcome("signaling", line, -1, receive.status, receive.line_status);
    }
  }
  args.mon_mode = VTX_SIG_MON_STOP;
  const int ret = VtxCallSignalingStateMonitor(line, &args);
  return ReportOutcome("signaling", line, ret, args.status, args.line_status);
}

int Monitor(VtxLine* line, VtxSignalingArgs& args, bool once) {
  args.func = Report;
  if (!once) return MonitorUntilInterrupted(line, args);
  args.mon_mode = VTX_SIG_MON_ONCE;
  const int ret = VtxCallSignalingStateMonitor(line, &args);
  if (ret != 0 && args.status == CV_STATUS_TIMEOUT) {
    fprintf(stderr, "tarrow signaling: no state reported within a second\n");
    return 1;
  }
  return ReportOutcome("signaling", line, ret, args.status, args.line_status);
}

int Set(VtxLine* line, VtxSignalingArgs& args) {
  const int ret = VtxCallSignalingStateSet(line, &args);
  const int status = ReportOutcome("signaling", line, ret, args.status, args.line_status);
  if (status == 0) {
    printf("unit %d stream %u slot %u: state 0x%X set", args.unit, args.stream, args.time_slot,
           args.stateOut_0);
    if (args.durationOut_0 != 0) {
      printf(" for %u ms, then 0x%X", args.durationOut_0, args.stateOut_1);
    }
    printf("\n");
  }
  return status;
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const bool monitor = TakeFlag(args, "--monitor");
  const bool once = TakeFlag(args, "--once");
  const std::string set_text = TakeOption(args, "--set", kUnset);
  const std::string duration_text = TakeOption(args, "--duration", kUnset);
  const std::string then_text = TakeOption(args, "--then", kUnset);
  unsigned module = 0;
  if (!TakeModule(args, kUsage, module)) return 2;
  const bool setting = set_text != kUnset;
  const bool timed = duration_text != kUnset || then_text != kUnset;
  if (args.size() != 3 || monitor == setting || (once && !monitor) ||
      (timed && (!setting || duration_text == kUnset || then_text == kUnset))) {
    fprintf(stderr, "usage: tarrow %s\n", kUsage);
    return 2;
  }
  VtxSignalingArgs signaling{};
  uint32_t unit = 0;
  if (!ParseNumber("signaling", "UNIT", args[0], 0xFD, unit) ||
      !ParseNumber("signaling", "STREAM", args[1], 0xFF, signaling.stream) ||
      !ParseNumber("signaling", "SLOT", args[2], 0xFF, signaling.time_slot) ||
      (setting && !ParseNumber("signaling", "--set", set_text, 0xFF, signaling.stateOut_0)) ||
      (timed && (!ParseNumber("signaling", "--duration", duration_text, 0xFFFFFFFF,
                              signaling.durationOut_0) ||
                 !ParseNumber("signaling", "--then", then_text, 0xFF, signaling.stateOut_1)))) {
    return 2;
  }
  signaling.unit = static_cast<int32_t>(unit);
  CV_API_SET_VER();
  VtxLine* line = OpenTelephLine("signaling", module);
  if (line == nullptr) return 1;
  const int status = monitor ? Monitor(line, signaling, once) : Set(line, signaling);
  CloseTelephLine(line);
  return status;
}

}  // namespace

TARROW_COMMAND("signaling", kUsage, "watch or set the signalling state of a trunk time slot", Run);

}  // namespace tarrow
