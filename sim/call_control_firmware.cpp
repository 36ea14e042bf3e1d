#include "sim/call_control_firmware.h"

#include "admin.h"
#include "isdn.h"
#include "sim/module.h"

namespace sim {

void InstallCallControlFirmware(Module& module) {
  Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(MILL_FACILITY_ISDN, MILL_VERB_REQUEST, ISDN_RESET_REQUEST,
            [m](const FwCommand&, FwAnswer& answer) {
              CallControlFirmware& state = m->call_control();
              if (state.control_started) {
                state.control_started = false;
                answer.Packet().Event(ISDN_CONTROL_TXRX_FINISHED_EVENT);
              }
              answer.Packet().Event(ISDN_RESET_EVENT);
            });
  table.Set(MILL_FACILITY_ISDN, MILL_VERB_START, ISDN_CONTROL_TXRX_MODE,
            [m](const FwCommand&, FwAnswer& answer) {
              CallControlFirmware& state = m->call_control();
              state.control_started = true;
              const uint8_t* v = state.isdn_version;
              answer.Packet().Event(
                  ISDN_CONTROL_TXRX_STARTED_EVENT,
                  {FwTag::Bytes(ISDN_VERSION_VAR, MILL_TYPE_BYTE, {v[0], v[1], v[2]})});
            });
  auto notify = [m](bool on) {
    return [m, on](const FwCommand& cmd, FwAnswer& answer) {
      const FwTag* type = cmd.Find(ADMIN_BOARD_NOTIFY_TYPE_VAR);
      const uint32_t bit = type != nullptr && type->Value() < 32 ? 1u << type->Value() : 0;
      uint32_t& types = m->call_control().notify_types;
      types = on ? types | bit : types & ~bit;
      answer.Packet().Event(on ? ADMIN_BOARD_NOTIFY_STARTED_EVENT
                               : ADMIN_BOARD_NOTIFY_FINISHED_EVENT);
    };
  };
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_START, ADMIN_BOARD_NOTIFY_MODE, notify(true));
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_FINISH, ADMIN_BOARD_NOTIFY_MODE, notify(false));
}

}  // namespace sim
