// The telephony side of a simulated module: its hardware ports, the resources and connections of
// its time-slot switch, the media address and port range it gives IP sides, and the settings of
// its ethernet interfaces.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

// A telephony hardware port: its unit, its port-type word (0x4 an MVIP bus interface, 0x20 an
// H.100 one, 0x40 a T1 robbed-bit trunk, 0x100 T1 ISDN, 0x200 E1 ISDN, 0x800 BRI, 0x1 analog) and
// the result code its controller reset answers with. Port unit U is served on channel U + 2.
struct HardwarePort {
  uint32_t unit = 0;
  uint32_t port_types = 0;
  uint32_t reset_result = 0;
};

// A port of the switch: class, unit, the stream and slot it sits on, its port-type word.
struct SwitchPort {
  uint32_t port_class = 0;
  uint32_t unit = 0;
  uint32_t stream = 0;
  uint32_t slot = 0;
  uint32_t port_type = 0;
};

// One side of a connection; an IP side has addresses and ports instead of a stream and slot.
struct SwitchSide {
  SwitchPort port;
  std::array<uint8_t, 4> local_ip{}, remote_ip{};
  uint16_t local_port = 0, remote_port = 0;  // UDPTL or RTP
  uint16_t local_rtcp_port = 0, remote_rtcp_port = 0;
  std::array<uint8_t, 4> remote_rtcp_ip{};
};

struct SwitchConnection {
  uint32_t mode = 0;
  SwitchSide source, dest;
};

struct NetInterface {
  std::array<uint8_t, 4> address{}, netmask{}, gateway{};
  uint32_t speed = 0, duplex = 1, flow_control = 0, arp_timeout = 0;
  std::array<uint8_t, 6> mac{};
};

struct Telephony {
  std::vector<HardwarePort> hardware;
  std::vector<SwitchPort> switch_ports;
  std::array<uint8_t, 4> media_address{};
  uint16_t media_port_first = 0, media_port_last = 0;  // IP sides get even ports from here
  std::vector<SwitchConnection> connections;
  std::vector<NetInterface> interfaces, saved_interfaces;
  uint32_t params_save_result = 0;  // what a save of the telephony parameters answers
  // The detector's PCPM table as stored, one tone's Short words (little-endian) each, and what
  // a load answers (not 0: the table is refused and the old one kept).
  std::vector<std::vector<uint8_t>> pcpm_table;
  uint32_t pcpm_load_result = 0;
};

// The telephony side of a board of `channels` channels on module `module`: one analog port per
// channel, the switch ports of the channels (class 0, stream 0) and of the line ports (class 1,
// stream 1), a media port range and one ethernet interface.
Telephony DefaultTelephony(uint8_t module, uint32_t channels);

}  // namespace sim
