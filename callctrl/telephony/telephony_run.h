// What the steps of one telephony configuration share: the administration line, the module's
// record and its ports as the configuration sees them, the report of each step, and sending to
// one channel of the module.
#pragma once

#include <cstdint>

#include "callctrl/telephony/telephony_config.h"
#include "vtx.h"

namespace vtx::callctrl {

constexpr uint32_t kExchangeWait = 1000;  // ms for the clock variables, requests and their answers
constexpr uint32_t kNoTimeLimit = 0xFFFFFFFF;

// clock_source values of the configuration.
constexpr int32_t kSourceInternal = 0, kSourceTrunkA = 1, kSourceTrunkH = 8;

constexpr uint32_t PortChannel(uint32_t index) {
  return index + 2;
}

struct TelephonyRun {
  VtxLine* line;
  const ModuleConfigRecord& record;
  const TelephonyObserver& observer;
  int32_t port_config[kTelephonyPorts];  // by port index
  uint32_t ports;                        // port indexes configured
  int32_t clock_source;                  // the record's, refined by the board type

  uint32_t module() const { return record.module_number; }
  // A port whose configuration is one of t1_isdn .. analog.
  bool IsTrunk(uint32_t index) const;
  void Report(const TelephonyAction& action) const {
    if (observer) observer(action);
  }
};

// While it lives, what the administration line sends goes to channel `channel` of its module.
class ChannelAddress {
 public:
  ChannelAddress(VtxLine* line, uint32_t channel);
  ~ChannelAddress();
  ChannelAddress(const ChannelAddress&) = delete;
  ChannelAddress& operator=(const ChannelAddress&) = delete;

 private:
  VtxLine* line_;
  uint8_t saved_[4];
};

// Sets the TELE_CTRL variable `tag_id` (a Byte) of `channel` with VtxSetSingleVar, reported as a
// clock variable: true when sent.
bool SetTeleCtrlVariable(const TelephonyRun& run, uint32_t channel, uint32_t tag_id, uint32_t value,
                         uint32_t timeout);

// The integer type a value needs: a Byte, or a Short for a larger one.
uint32_t ByteOrShort(uint32_t value);

}  // namespace vtx::callctrl
