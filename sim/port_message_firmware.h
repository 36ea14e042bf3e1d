// The board's side of port messages: an ECC REQUEST PORT_MESSAGE addressed to a port's channel
// (port index + 2) carries one 512-byte message in its PORT_MESSAGE tag. The module keeps the
// last message of each type per port and answers from that channel with an ECC EVENT
// PORT_MESSAGE_DONE holding the message type and RESULT_CODE: 0 kept, 1 refused (not from a
// port's channel, or not 512 bytes).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace sim {

class Module;

class PortMessages {
 public:
  // The last message of `type` that port `port` received; empty when none.
  std::vector<uint8_t> Last(uint32_t port, uint8_t type) const;
  void Keep(uint32_t port, std::vector<uint8_t> message);

 private:
  mutable std::mutex lock_;
  std::map<std::pair<uint32_t, uint8_t>, std::vector<uint8_t>> messages_;
};

void InstallPortMessageFirmware(Module& module);

}  // namespace sim
