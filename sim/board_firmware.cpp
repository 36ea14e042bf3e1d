// The board side of a simulated module's ADMIN facility: its board test and the temperature it
// reads. Board state and temperature threshold are plain variables; board notifications are
// the call-control firmware's (sim/call_control_firmware.h).
#include "admin.h"
#include "sim/maintenance.h"
#include "sim/module.h"
#include "vtx.h"

namespace sim {
namespace {

constexpr uint32_t kTestPassed = 0;
constexpr uint32_t kTestFailed = 1;

// One status event per test of the mask, each in a packet of its own, then the end of the run.
void RunBoardTest(BoardTestState& test, const FwCommand& cmd, FwAnswer& answer) {
  ++test.runs;
  const FwTag* mask_tag = cmd.Find(ADMIN_BOARD_TEST_MASK_VAR);
  const uint32_t mask = mask_tag != nullptr ? mask_tag->Value() : 0;
  for (uint32_t bit = 1; bit != 0; bit <<= 1) {
    if ((mask & bit) == 0) continue;
    const bool failed = (test.failure_mask & bit) != 0;
    answer.Packet().Event(
        ADMIN_BOARD_TEST_STATUS_EVENT,
        {FwTag::Int(ADMIN_BOARD_TEST_MASK_VAR, MILL_TYPE_LONG, bit),
         FwTag::Int(ADMIN_BOARD_TEST_STATUS_TYPE_VAR, MILL_TYPE_BYTE,
                    failed ? kTestFailed : kTestPassed),
         FwTag::Int(ADMIN_BOARD_TEST_ERR_INFO_VAR, MILL_TYPE_LONG, failed ? bit : 0)});
  }
  answer.Packet().Event(ADMIN_BOARD_TEST_FINISHED_EVENT);
}

}  // namespace

void SetBoardTemperature(Module& module, int32_t celsius) {
  module.built_in_variables()[{MILL_FACILITY_ADMIN, ADMIN_BOARD_TEMP_VAR}] = FwTag::Int(
      ADMIN_BOARD_TEMP_VAR, MILL_TYPE_SHORT | MILL_TYPE_SIGNED, static_cast<uint32_t>(celsius));
}

void InstallBoardFirmware(Module& module) {
  Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_START, ADMIN_BOARD_TEST_MODE,
            [m](const FwCommand& cmd, FwAnswer& answer) {
              RunBoardTest(m->maintenance().test, cmd, answer);
            });
  SetBoardTemperature(module, 42);
}

}  // namespace sim
