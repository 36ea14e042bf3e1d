// The board test: the module's built-in test run a number of times between a reset and
// reconfiguration of the module, with an application function hearing of the series and of
// every status the module reports.
#include "admin.h"
#include "api/convert.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/module_control.h"
#include "packet/event_hooks.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "teleph/board_ops.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr size_t kMaskWord = 3;
constexpr size_t kTypeWord = 5;
constexpr size_t kErrorWord = 6;

// Tells the line's function of the series itself; the record goes over as it is.
void SeriesNotice(VtxLine* line, uint32_t type) {
  VtxTestStatus status{};
  status.words[kMaskWord] = VTX_TEST_SERIES;
  status.words[kTypeWord] = type;
  packet::InCallback(line, [&] {
    line->board.board_test_func(line, &status);
    return 0;
  });
}

// The board test handler: a BOARD_TEST_STATUS event for the line's function, in the
// application's own layout.
void StatusHandler(VtxLine* line, MillArgs* work) {
  if (line->board.board_test_func == nullptr) return;
  VtxTestStatus status{};
  status.words[kMaskWord] = CommandTagInt(*work, ADMIN_BOARD_TEST_MASK_VAR);
  status.words[kTypeWord] = CommandTagInt(*work, ADMIN_BOARD_TEST_STATUS_TYPE_VAR);
  status.words[kErrorWord] = CommandTagInt(*work, ADMIN_BOARD_TEST_ERR_INFO_VAR);
  api::CallbackRecord app(api::Family::kTest, &status);
  if (app.get() == nullptr) {
    Fail(work, APIERR_VERSION);
    trace::CallReturn(line, "unknown", work, nullptr);
    return;
  }
  packet::InCallback(line, [&] {
    line->board.board_test_func(line, static_cast<VtxTestStatus*>(app.get()));
    return 0;
  });
  app.Finish();
}

// Resets and reconfigures the module around the series; false with the result words set.
bool ResetAndReconfig(VtxLine* line, const char* when, VtxResult* result) {
  trace::Message(line, trace::kLevelInfo, "%s board test module reset", when);
  if (!ModuleReset(line, result)) return false;
  trace::Message(line, trace::kLevelInfo, "%s board test module reconfig", when);
  return ModuleReconfig(line, 0, result);
}

// One run: START BOARD_TEST, then the wait for BOARD_TEST_FINISHED, during which the module's
// status events reach the handler. False with the result words set.
bool Run(VtxLine* line, VtxBoardTestArgs* args, bool first) {
  MillArgs start{};
  start.facility = MILL_FACILITY_ADMIN;
  start.verb = MILL_VERB_START;
  start.code = ADMIN_BOARD_TEST_MODE;
  start.incoming_flag = 3;
  start.no_hangup = 1;
  start.timeout = packet::kForever;
  start.use_alt_chan = 1;
  const MillTagItem tags[] = {
      {ADMIN_BOARD_TEST_MASK_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(args->test_mask)},
      {0, 0, 0, nullptr}};
  start.tag_list = tags;
  if (!SendFormed(line, start, ResultOf(args))) return false;
  if (first && line->board.board_test_func != nullptr) SeriesNotice(line, VTX_TEST_SERIES_STARTED);
  MillArgs finished{};
  finished.facility = MILL_FACILITY_ADMIN;
  finished.verb = MILL_VERB_EVENT;
  finished.code = ADMIN_BOARD_TEST_FINISHED_EVENT;
  finished.no_hangup = 1;
  finished.timeout = packet::kForever;
  if (packet::WaitCmd(line, &finished) == 1) return true;
  CopyResult(args, finished);
  return false;
}

}  // namespace

void BoardTest(VtxLine* line, VtxBoardTestArgs* args) {
  const char* name = "VtxBoardTest";
  trace::CallEntry(line, name, "iterations=%u,test_mask=0x%X,func=0x%lX", args->iterations,
                   args->test_mask,
                   static_cast<unsigned long>(reinterpret_cast<uintptr_t>(args->func)));
  if (OperationAllowed(line, args->async_lp, {kCapBoard}, ResultOf(args))) {
    line->board.board_test_func = args->func;
    if (args->func != nullptr) {
      packet::InstallEventHandler(packet::HookedEvent::kBoardTestStatus, StatusHandler);
    }
    bool ok = args->iterations == 0 || ResetAndReconfig(line, "Pre", ResultOf(args));
    for (uint32_t run = 0; ok && run < args->iterations; ++run) ok = Run(line, args, run == 0);
    if (ok && args->iterations > 0 && line->board.board_test_func != nullptr) {
      SeriesNotice(line, VTX_TEST_SERIES_ENDED);
      ResetAndReconfig(line, "Post", ResultOf(args));
    }
  }
  trace::CallReturn(line, name, args, nullptr);
}

}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" void VtxBoardTest(VtxLine* line, VtxBoardTestArgs* args) {
  Framed<Family::kTest, Carry::kInputOnly>(vtx::teleph::BoardTest, line, args);
}
