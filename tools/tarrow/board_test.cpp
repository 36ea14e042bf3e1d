// tarrow board-test MODULE [--iterations N] [--mask M] [--json]: runs the module's board test,
// printing every status as the module reports it, then a summary. Exit status 1 when the test
// could not run or a test reported a failure.
#include <cstdio>
#include <string>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char kUsage[] = "board-test MODULE [--iterations N] [--mask M] [--json] [--defaults]";

// The function hears of the series and the statuses on the caller's thread: the run is kept here.
bool g_json = false;
unsigned g_module = 0;
uint32_t g_statuses = 0;
uint32_t g_failures = 0;

void Heard(VtxLine*, VtxTestStatus* status) {
  const uint32_t mask = status->words[3];
  const uint32_t type = status->words[5];
  const uint32_t error = status->words[6];
  if (mask == VTX_TEST_SERIES) {
    const char* what = type == VTX_TEST_SERIES_STARTED ? "started" : "ended";
    if (g_json) {
      printf("{\"module\": %u, \"series\": \"%s\"}\n", g_module, what);
    } else {
      printf("series %s\n", what);
    }
  } else {
    ++g_statuses;
    if (type != 0) ++g_failures;
    if (g_json) {
      printf(
          "{\"module\": %u, \"test_mask\": %u, \"status_type\": %u, \"error_info\": %u, "
          "\"failed\": %s}\n",
          g_module, mask, type, error, type != 0 ? "true" : "false");
    } else if (type == 0) {
      printf("test 0x%08X passed\n", mask);
    } else {
      printf("test 0x%08X failed: status %u, error information 0x%X\n", mask, type, error);
    }
  }
  fflush(stdout);
}

void Summary(uint32_t iterations) {
  if (g_json) {
    printf(
        "{\"module\": %u, \"simulated\": %s, \"iterations\": %u, \"statuses\": %u, "
        "\"failures\": %u}\n",
        g_module, vtx::tool::DriverIsSimulated() ? "true" : "false", iterations, g_statuses,
        g_failures);
  } else {
    printf("%u runs, %u statuses, %u failed\n", iterations, g_statuses, g_failures);
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
  if (!ParseNumber("board-test", "--iterations", iterations_text, 0xFFFF, test.iterations) ||
      !ParseNumber("board-test", "--mask", mask_text, 0xFFFFFFFF, test.test_mask)) {
    return 2;
  }
  CV_API_SET_VER();
  VtxLine* line = OpenModuleLine("board-test", g_module);
  if (line == nullptr) return 1;
  VtxBoardTest(line, &test);
  int status = ReportOutcome("board-test", line, test.status == CV_STATUS_OK ? 0 : -1, test.status,
                             test.line_status);
  if (status == 0) {
    Summary(test.iterations);
    if (g_failures > 0) status = 1;
  }
  CloseTelephLine(line);
  return status;
}

}  // namespace

TARROW_COMMAND("board-test", kUsage, "run a module's board test, showing each status as it arrives",
               Run);

}  // namespace tarrow
