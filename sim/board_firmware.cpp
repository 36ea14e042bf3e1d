// The board side of a simulated module's ADMIN facility: its board test, board notifications
// and the temperature it reads. Board state and temperature threshold are plain variables.
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

void Notify(Maintenance& maintenance, const FwCommand& cmd, bool enable, FwAnswer& answer) {
  const FwTag* type = cmd.Find(ADMIN_BOARD_NOTIFY_TYPE_VAR);
  const uint32_t n = type != nullptr ? type->Value() : 0;
  if (n >= 1 && n <= 32) {
    const uint32_t bit = 1u << (n - 1);
    maintenance.notify_enabled =
        enable ? maintenance.notify_enabled | bit : maintenance.notify_enabled & ~bit;
  }
  answer.Packet().Event(enable ? ADMIN_BOARD_NOTIFY_STARTED_EVENT
                               : ADMIN_BOARD_NOTIFY_FINISHED_EVENT);
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
  table.Set(
      MILL_FACILITY_ADMIN, MILL_VERB_START, ADMIN_BOARD_NOTIFY_MODE,
      [m](const FwCommand& cmd, FwAnswer& answer) { Notify(m->maintenance(), cmd, true, answer); });
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_FINISH, ADMIN_BOARD_NOTIFY_MODE,
            [m](const FwCommand& cmd, FwAnswer& answer) {
              Notify(m->maintenance(), cmd, false, answer);
            });
  SetBoardTemperature(module, 42);
}

}  // namespace sim
