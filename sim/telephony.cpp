#include "sim/telephony.h"

namespace sim {
namespace {

constexpr uint32_t kAnalogPort = 0x1;     // port-type word of an analog line port
constexpr uint32_t kChannelPort = 0x100;  // port-type word of a channel's switch port
constexpr uint16_t kMediaPortFirst = 16384;
constexpr uint16_t kMediaPorts = 200;

}  // namespace

Telephony DefaultTelephony(uint8_t module, uint32_t channels) {
  Telephony t;
  for (uint32_t unit = 0; unit < channels; ++unit) {
    t.hardware.push_back({unit, kAnalogPort});
    t.switch_ports.push_back({0, unit, 0, unit, kChannelPort});
    t.switch_ports.push_back({1, unit, 1, unit, kAnalogPort});
  }
  // Addresses of TEST-NET-1 (192.0.2.0/24), reserved for examples: nothing is ever sent to them.
  t.media_address = {192, 0, 2, module};
  t.media_port_first = kMediaPortFirst;
  t.media_port_last = kMediaPortFirst + kMediaPorts;
  NetInterface net;
  net.address = {192, 0, 2, module};
  net.netmask = {255, 255, 255, 0};
  net.gateway = {192, 0, 2, 1};
  net.arp_timeout = 60000;
  net.mac = {0x00, 0x1C, 0x7A, 0x00, module, 0x01};
  t.interfaces.push_back(net);
  t.saved_interfaces = t.interfaces;
  return t;
}

}  // namespace sim
