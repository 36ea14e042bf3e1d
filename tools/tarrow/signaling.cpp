// tarrow signaling MODULE UNIT STREAM SLOT --monitor [--once] | --set STATE [--duration MS
// --then STATE]: watches the incoming signalling state of a trunk time slot, or sets its outgoing
// state. A monitor without --once shows every report until interrupted.
#include <csignal>
#include <cstdio>
#include <string>

#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char kUsage[] =
    "signaling MODULE UNIT STREAM SLOT --monitor [--once] | --set STATE [--duration MS --then "
    "STATE] [--defaults] [--json]";
const char kUnset[] = "";
constexpr uint32_t kReceiveWait = 200;  // ms between looks at the interruption flag

volatile std::sig_atomic_t g_stop = 0;
bool g_json = false;  // --json: the one report of --once, or the state set, as JSON

Json SlotJson(unsigned module, const VtxSignalingArgs& args) {
  return Json{
      {"module", module}, {"unit", args.unit}, {"stream", args.stream}, {"slot", args.time_slot}};
}

void OnSignal(int) {
  g_stop = 1;
}

unsigned g_module = 0;

void Report(VtxLine*, VtxSignalingArgs* args) {
  if (g_json) {
    Json report = SlotJson(g_module, *args);
    report["state"] = args->stateOut_0;
    PrintJson(report);
    return;
  }
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
    return ReportOutcome(line, -1, args.status, args.line_status);
  }
  while (g_stop == 0) {
    MillArgs receive{};
    receive.timeout = kReceiveWait;
    receive.no_hangup = 1;
    if (VtxRcvProcessPkt(line, &receive) < 0 ||
        (receive.status != CV_STATUS_OK && receive.status != CV_STATUS_TIMEOUT)) {
      return ReportOutcome(line, -1, receive.status, receive.line_status);
    }
  }
  args.mon_mode = VTX_SIG_MON_STOP;
  const int ret = VtxCallSignalingStateMonitor(line, &args);
  return ReportOutcome(line, ret, args.status, args.line_status);
}

int Monitor(VtxLine* line, VtxSignalingArgs& args, bool once) {
  args.func = Report;
  if (!once) return MonitorUntilInterrupted(line, args);
  args.mon_mode = VTX_SIG_MON_ONCE;
  const int ret = VtxCallSignalingStateMonitor(line, &args);
  if (ret != 0 && args.status == CV_STATUS_TIMEOUT) {
    Error("no state reported within a second", args.status, args.line_status);
    return 1;
  }
  return ReportOutcome(line, ret, args.status, args.line_status);
}

int Set(VtxLine* line, VtxSignalingArgs& args) {
  const int ret = VtxCallSignalingStateSet(line, &args);
  const int status = ReportOutcome(line, ret, args.status, args.line_status);
  if (status == 0 && g_json) {
    Json set = SlotJson(g_module, args);
    set["state"] = args.stateOut_0;
    set["duration"] = args.durationOut_0 != 0 ? Json(args.durationOut_0) : Json();
    set["then"] = args.durationOut_0 != 0 ? Json(args.stateOut_1) : Json();
    PrintJson(set);
  } else if (status == 0) {
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
  g_json = TakeFlag(args, "--json");
  const bool monitor = TakeFlag(args, "--monitor");
  const bool once = TakeFlag(args, "--once");
  const std::string set_text = TakeOption(args, "--set", kUnset);
  const std::string duration_text = TakeOption(args, "--duration", kUnset);
  const std::string then_text = TakeOption(args, "--then", kUnset);
  unsigned& module = g_module;
  if (!TakeModule(args, kUsage, module)) return 2;
  const bool setting = set_text != kUnset;
  const bool timed = duration_text != kUnset || then_text != kUnset;
  // A monitor until interrupted prints a line per report; JSON is one object, of --once.
  if (args.size() != 3 || monitor == setting || (once && !monitor) ||
      (g_json && monitor && !once) ||
      (timed && (!setting || duration_text == kUnset || then_text == kUnset))) {
    fprintf(stderr, "usage: tarrow %s\n", kUsage);
    return 2;
  }
  VtxSignalingArgs signaling{};
  uint32_t unit = 0;
  if (!ParseNumber("UNIT", args[0], 0xFD, unit) ||
      !ParseNumber("STREAM", args[1], 0xFF, signaling.stream) ||
      !ParseNumber("SLOT", args[2], 0xFF, signaling.time_slot) ||
      (setting && !ParseNumber("--set", set_text, 0xFF, signaling.stateOut_0)) ||
      (timed && (!ParseNumber("--duration", duration_text, 0xFFFFFFFF, signaling.durationOut_0) ||
                 !ParseNumber("--then", then_text, 0xFF, signaling.stateOut_1)))) {
    return 2;
  }
  signaling.unit = static_cast<int32_t>(unit);
  CV_API_SET_VER();
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  const int status = monitor ? Monitor(line, signaling, once) : Set(line, signaling);
  CloseTelephLine(line);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --monitor          show the slot's incoming state as the module reports it\n"
    "  --once             only the first report within a second\n"
    "  --set STATE        drive the slot's outgoing state\n"
    "  --duration MS      for this long, then --then\n"
    "  --then STATE       the state after --duration\n"
    "  --json             print JSON (with --set, or --monitor --once; docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow signaling 33 1 1 5 --set 7 --duration 100 --then 3\n";

TARROW_COMMAND("signaling", kUsage, "watch or set the signalling state of a trunk time slot", Run,
               kHelp);

}  // namespace tarrow
