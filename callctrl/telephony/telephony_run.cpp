#include "callctrl/telephony/telephony_run.h"

#include <cstring>

#include "api/line.h"
#include "tele_ctrl.h"

namespace vtx::callctrl {
namespace {

constexpr uint8_t kKindChannel = 2;

}  // namespace

bool TelephonyRun::IsTrunk(uint32_t index) const {
  return port_config[index] >= kPortT1Isdn && port_config[index] <= kPortAnalog;
}

ChannelAddress::ChannelAddress(VtxLine* line, uint32_t channel) : line_(line) {
  memcpy(saved_, line->dest_addr, sizeof saved_);
  line->dest_addr[1] = kKindChannel;
  line->dest_addr[3] = static_cast<uint8_t>(channel);
}

ChannelAddress::~ChannelAddress() {
  memcpy(line_->dest_addr, saved_, sizeof saved_);
}

uint32_t ByteOrShort(uint32_t value) {
  return value <= 0xFF ? MILL_TYPE_BYTE : MILL_TYPE_SHORT;
}

bool SetTeleCtrlVariable(const TelephonyRun& run, uint32_t channel, uint32_t tag_id, uint32_t value,
                         uint32_t timeout) {
  MillArgs set{};
  set.facility = MILL_FACILITY_TELE_CTRL;
  set.tag_id = tag_id;
  set.tag_type = ByteOrShort(value);
  set.var_value = value;
  set.timeout = timeout;
  set.no_hangup = 1;
  int sent = 0;
  {
    ChannelAddress to(run.line, channel);
    sent = VtxSetSingleVar(run.line, &set);
  }
  const bool ok = (sent & MILL_SEND_SENT) != 0;
  run.Report({TelephonyAction::kClockVariable, channel, {{tag_id, value}}, ok, 0});
  return ok;
}

}  // namespace vtx::callctrl
