// tarrow board MODULE [--json] [--state N] [--temperature-threshold C]: the module's board state
// and temperature, after setting what the options ask for.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char kUsage[] = "board MODULE [--json] [--state N] [--temperature-threshold C] [--defaults]";
const char kUnset[] = "";
constexpr int32_t kNoTemperature = 1000;  // what a board without a thermometer reads

bool ParseCelsius(const std::string& text, int32_t& out) {
  char* end = nullptr;
  errno = 0;
  const long value = strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < SHRT_MIN || value > SHRT_MAX) {
    Error("expected degrees from -32768 to 32767 for --temperature-threshold, got \"" + text +
          "\"");
    return false;
  }
  out = static_cast<int32_t>(value);
  return true;
}

// Applies the settings asked for: 0, or 1 after a message.
int Apply(VtxLine* line, std::optional<uint32_t> state, std::optional<int32_t> thresh) {
  if (state) {
    VtxBoardStateArgs set{};
    set.state = *state;
    VtxBoardStateSet(line, &set);
    if (set.status != CV_STATUS_OK) {
      return ReportOutcome(line, -1, set.status, set.line_status);
    }
  }
  if (thresh) {
    VtxTemperatureArgs set{};
    set.temp_thresh = *thresh;
    VtxBoardTemperatureThreshSet(line, &set);
    if (set.status != CV_STATUS_OK) {
      return ReportOutcome(line, -1, set.status, set.line_status);
    }
  }
  return 0;
}

void Print(unsigned module, const VtxBoardStateArgs& state, const VtxTemperatureArgs& temp,
           bool json) {
  const bool known = temp.current_temp != kNoTemperature;
  if (json) {
    PrintJson(Json{{"module", module},
                   {"state", state.state},
                   {"temperature", known ? Json(temp.current_temp) : Json()}});
    return;
  }
  printf("module       %u\nstate        %u\n", module, state.state);
  if (known) {
    printf("temperature  %d C\n", temp.current_temp);
  } else {
    printf("temperature  unknown (the board has no thermometer)\n");
  }
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const bool json = TakeFlag(args, "--json");
  const std::string state_text = TakeOption(args, "--state", kUnset);
  const std::string thresh_text = TakeOption(args, "--temperature-threshold", kUnset);
  unsigned module = 0;
  if (!TakeModuleAlone(args, kUsage, module)) return 2;
  std::optional<uint32_t> state;
  std::optional<int32_t> thresh;
  if (state_text != kUnset) {
    state = 0;
    if (!ParseNumber("--state", state_text, 0xFF, *state)) return 2;
  }
  if (thresh_text != kUnset) {
    thresh = 0;
    if (!ParseCelsius(thresh_text, *thresh)) return 2;
  }
  CV_API_SET_VER();
  VtxLine* line = OpenModuleLine(module);
  if (line == nullptr) return 1;
  int status = Apply(line, state, thresh);
  if (status == 0) {
    VtxBoardStateArgs now{};
    VtxBoardStateGet(line, &now);
    VtxTemperatureArgs temp{};
    VtxBoardTemperatureGet(line, &temp);
    if (now.status != CV_STATUS_OK) {
      status = ReportOutcome(line, -1, now.status, now.line_status);
    } else if (temp.status != CV_STATUS_OK) {
      status = ReportOutcome(line, -1, temp.status, temp.line_status);
    } else {
      Print(module, now, temp, json);
    }
  }
  CloseTelephLine(line);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --json             print JSON (docs/json.md)\n"
    "  --state N          set the board state first (0 to 255)\n"
    "  --temperature-threshold C  set the temperature alarm threshold first, in degrees Celsius\n"
    "\n"
    "Example:\n"
    "  tarrow board 2 --temperature-threshold 70\n";

TARROW_COMMAND("board", kUsage, "a module's board state and temperature; set them first", Run,
               kHelp);

}  // namespace tarrow
