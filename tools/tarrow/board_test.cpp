// tarrow board-test MODULE [--iterations N] [--mask M] [--json]: runs the module's board test,
// printing every status as the module reports it, then a summary. Exit status 1 when the test
// could not run or a test reported a failure.
#include <cstdio>
#include <string>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char kUsage[] = "board-test MODULE [--iterations N] [--mask M] [--json] [--defaults]";

// The function hears of the series and the statuses on the caller's thread: the run is kept here.
// On a terminal and in text each status shows as it arrives; JSON shows the whole run at its end.
bool g_json = false;
unsigned g_module = 0;
uint32_t g_failures = 0;
Json g_events = Json::array();

void Heard(VtxLine*, VtxTestStatus* status) {
  const uint32_t mask = status->words[3];
  const uint32_t type = status->words[5];
  const uint32_t error = status->words[6];
  if (mask == VTX_TEST_SERIES) {
    const char* what = type == VTX_TEST_SERIES_STARTED ? "started" : "ended";
    if (!g_json) printf("series %s\n", what);
    g_events.push_back(Json{{"series", what},
                            {"test_mask", nullptr},
                            {"status_type", nullptr},
                            {"error_info", nullptr},
                            {"failed", nullptr}});
  } else {
    if (type != 0) ++g_failures;
    if (!g_json && type == 0) printf("test 0x%08X passed\n", mask);
    if (!g_json && type != 0) {
      printf("test 0x%08X failed: status %u, error information 0x%X\n", mask, type, error);
    }
    g_events.push_back(Json{{"series", nullptr},
                            {"test_mask", mask},
                            {"status_type", type},
                            {"error_info", error},
                            {"failed", type != 0}});
  }
  fflush(stdout);
}

uint32_t StatusCount() {
  uint32_t count = 0;
  for (const Json& event : g_events) count += event["series"].is_null() ? 1 : 0;
  return count;
}

void Summary(uint32_t iterations) {
  if (g_json) {
    PrintJson(Json{{"module", g_module},
                   {"iterations", iterations},
                   {"statuses", StatusCount()},
                   {"failures", g_failures},
                   {"events", g_events}});
  } else {
    printf("%u runs, %u statuses, %u failed\n", iterations, StatusCount(), g_failures);
  }
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  g_json = TakeFlag(args, "--json");
  const std::string iterations_text = TakeOption(args, "--iterations", "1");
  const std::string mask_text = TakeOption(args, "--mask", "0xFFFFFFFF");
  if (!TakeModuleAlone(args, kUsage, g_module)) return 2;
  VtxBoardTestArgs test{};
  test.func = Heard;
  if (!ParseNumber("--iterations", iterations_text, 0xFFFF, test.iterations) ||
      !ParseNumber("--mask", mask_text, 0xFFFFFFFF, test.test_mask)) {
    return 2;
  }
  CV_API_SET_VER();
  VtxLine* line = OpenModuleLine(g_module);
  if (line == nullptr) return 1;
  VtxBoardTest(line, &test);
  int status =
      ReportOutcome(line, test.status == CV_STATUS_OK ? 0 : -1, test.status, test.line_status);
  if (status == 0) {
    Summary(test.iterations);
    if (g_failures > 0) status = 1;
  }
  CloseTelephLine(line);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --iterations N     run the test N times (default 1)\n"
    "  --mask M           the tests to run (default 0xFFFFFFFF, all)\n"
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow board-test 2 --iterations 2 --mask 0x3\n";

TARROW_COMMAND("board-test", kUsage, "run a module's board test, showing each status as it arrives",
               Run, kHelp);

}  // namespace tarrow
