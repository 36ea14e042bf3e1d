#include "sim/port_message_firmware.h"

#include "common.h"
#include "ecc.h"
#include "sim/module.h"

namespace sim {
namespace {

constexpr uint32_t kMessageSize = 512;
constexpr uint32_t kFirstPortChannel = 2;

}  // namespace

std::vector<uint8_t> PortMessages::Last(uint32_t port, uint8_t type) const {
  std::lock_guard<std::mutex> hold(lock_);
  auto found = messages_.find({port, type});
  return found != messages_.end() ? found->second : std::vector<uint8_t>{};
}

void PortMessages::Keep(uint32_t port, std::vector<uint8_t> message) {
  std::lock_guard<std::mutex> hold(lock_);
  const uint8_t type = message[1];
  messages_[{port, type}] = std::move(message);
}

void InstallPortMessageFirmware(Module& module) {
  Module* m = &module;
  module.firmware().Set(
      MILL_FACILITY_ECC, MILL_VERB_REQUEST, ECC_PORT_MESSAGE_REQUEST,
      [m](const FwCommand& cmd, FwAnswer& answer) {
        const FwTag* tag = cmd.Find(ECC_PORT_MESSAGE_VAR);
        const uint32_t channel = ChannelOf(cmd);
        const bool good = tag != nullptr && tag->data.size() == kMessageSize &&
                          channel != kModuleItself && channel >= kFirstPortChannel;
        const uint32_t type = tag != nullptr && tag->data.size() > 1 ? tag->data[1] : 0;
        if (good) m->port_messages().Keep(channel - kFirstPortChannel, tag->data);
        answer.Packet().Event(ECC_PORT_MESSAGE_DONE_EVENT,
                              {FwTag::Int(ECC_PORT_MESSAGE_TYPE_VAR, MILL_TYPE_BYTE, type),
                               FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, good ? 0 : 1)});
      });
}

}  // namespace sim
