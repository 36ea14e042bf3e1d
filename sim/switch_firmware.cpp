#include "sim/switch_firmware.h"

#include <algorithm>
#include <cstring>

#include "call_sw.h"
#include "packet/command_reader.h"
#include "sim/list_tag.h"
#include "sim/module.h"
#include "tele_ctrl.h"
#include "vtx.h"

namespace sim {
namespace {

// Result codes of a refused connection.
constexpr uint32_t kUnknownPortType = 3, kInvalidPortType = 4, kInvalidPortUnit = 6;
constexpr uint32_t kInvalidStream = 7, kInvalidSlot = 8, kSlotAssigned = 9, kSlotNotAssigned = 10;
constexpr uint32_t kIpPortInUse = 20, kInvalidMode = 21;
constexpr uint32_t kModeLocalOnly = 2, kModeNoT38 = VTX_CONN_MODE_NO_T38;
constexpr uint32_t kModeDisconnect = VTX_CONN_MODE_DISCONNECT;
constexpr uint32_t kChannelClass = 0;

bool IsIp(uint32_t port_class) {
  return port_class == VTX_PORT_CLASS_UDPTL || port_class == VTX_PORT_CLASS_RTP;
}

// The side a List tag of a request describes.
SwitchSide ReadSide(const FwTag& tag) {
  SwitchSide side;
  vtx::packet::Tag list{tag.id, tag.type, tag.data.data(), static_cast<uint32_t>(tag.data.size())};
  vtx::packet::TagReader members = list.Members();
  vtx::packet::Tag m;
  while (members.Next(m)) {
    const auto value = static_cast<uint32_t>(m.Int());
    const auto port = static_cast<uint16_t>(value);
    auto ip = [&m](std::array<uint8_t, 4>& out) {
      memcpy(out.data(), m.data, m.data_len < 4 ? m.data_len : 4);
    };
    switch (m.id) {
      case CALL_SW_PORT_CLASS_VAR:
        side.port.port_class = value;
        break;
      case CALL_SW_PORT_UNIT_VAR:
        side.port.unit = value;
        break;
      case CALL_SW_PORT_STREAM_VAR:
        side.port.stream = value;
        break;
      case CALL_SW_PORT_STREAM_SLOT_VAR:
        side.port.slot = value;
        break;
      case CALL_SW_LOCAL_PORT_VAR:
      case CALL_SW_LOCAL_RTP_PORT_VAR:
        side.local_port = port;
        break;
      case CALL_SW_REMOTE_PORT_VAR:
      case CALL_SW_REMOTE_RTP_PORT_VAR:
        side.remote_port = port;
        break;
      case CALL_SW_LOCAL_RTCP_PORT_VAR:
        side.local_rtcp_port = port;
        break;
      case CALL_SW_REMOTE_RTCP_PORT_VAR:
        side.remote_rtcp_port = port;
        break;
      case CALL_SW_REMOTE_IP_VAR:
      case CALL_SW_REMOTE_RTP_IP_VAR:
        ip(side.remote_ip);
        break;
      case CALL_SW_REMOTE_RTCP_IP_VAR:
        ip(side.remote_rtcp_ip);
        break;
      default:
        break;
    }
  }
  return side;
}

class Switch {
 public:
  explicit Switch(Telephony& t) : t_(t) {}

  // A time-division side: the port must exist with this stream and slot.
  uint32_t CheckTdm(SwitchSide& side) const {
    bool class_known = false;
    for (const SwitchPort& port : t_.switch_ports) {
      if (port.port_class != side.port.port_class) continue;
      class_known = true;
      if (port.unit != side.port.unit) continue;
      if (port.stream != side.port.stream) return kInvalidStream;
      if (port.slot != side.port.slot) return kInvalidSlot;
      side.port.port_type = port.port_type;
      return 0;
    }
    return class_known ? kInvalidPortUnit : kUnknownPortType;
  }

  uint32_t FindChannel(SwitchSide& side) const {
    for (const SwitchPort& port : t_.switch_ports) {
      if (port.port_class == kChannelClass && port.unit == side.port.unit) {
        side.port = port;
        return 0;
      }
    }
    return kInvalidPortUnit;
  }

  bool SlotTaken(const SwitchPort& dest) const {
    for (const SwitchConnection& c : t_.connections) {
      const SwitchPort& used = c.dest.port;
      if (!IsIp(used.port_class) && used.stream == dest.stream && used.slot == dest.slot) {
        return true;
      }
    }
    return false;
  }

  bool MediaPortFree(uint16_t port) const {
    for (const SwitchConnection& c : t_.connections) {
      if (IsIp(c.dest.port.port_class) &&
          (c.dest.local_port == port || c.dest.local_rtcp_port == port)) {
        return false;
      }
    }
    return port >= t_.media_port_first && port < t_.media_port_last;
  }

  // The module's own address and ports for an IP side; a port the request names must be free.
  uint32_t AssignMedia(SwitchSide& side) const {
    side.local_ip = t_.media_address;
    if (side.local_port != 0) {
      if (!MediaPortFree(side.local_port)) return kIpPortInUse;
    } else {
      for (uint32_t p = t_.media_port_first & ~1u; p + 1 <= t_.media_port_last; p += 2) {
        if (MediaPortFree(static_cast<uint16_t>(p)) &&
            MediaPortFree(static_cast<uint16_t>(p + 1))) {
          side.local_port = static_cast<uint16_t>(p);
          break;
        }
      }
      if (side.local_port == 0) return kIpPortInUse;
    }
    if (side.port.port_class == VTX_PORT_CLASS_RTP) {
      side.local_rtcp_port = static_cast<uint16_t>(side.local_port + 1);
    }
    return 0;
  }

  // Whether `c` names the connection `held`: a channel and the class of its IP port (and that
  // port, when named), or both time-division sides.
  static bool Names(const SwitchConnection& c, const SwitchConnection& held) {
    const SwitchPort &src = c.source.port, &dest = c.dest.port;
    const SwitchPort &held_src = held.source.port, &held_dest = held.dest.port;
    if (IsIp(dest.port_class)) {
      return held_dest.port_class == dest.port_class && held_src.port_class == kChannelClass &&
             held_src.unit == src.unit &&
             (c.dest.local_port == 0 || c.dest.local_port == held.dest.local_port);
    }
    auto same = [](const SwitchPort& a, const SwitchPort& b) {
      return a.port_class == b.port_class && a.unit == b.unit && a.stream == b.stream &&
             a.slot == b.slot;
    };
    return !IsIp(held_dest.port_class) && same(src, held_src) && same(dest, held_dest);
  }

  // Removes the one connection the request names; one that is not there is refused.
  uint32_t Disconnect(const SwitchConnection& c) {
    if (IsIp(c.dest.port.port_class) && c.source.port.port_class != kChannelClass) {
      return kInvalidPortType;
    }
    auto& held = t_.connections;
    const auto found = std::find_if(held.begin(), held.end(),
                                    [&c](const SwitchConnection& h) { return Names(c, h); });
    if (found == held.end()) return kSlotNotAssigned;
    held.erase(found);
    return 0;
  }

  uint32_t Connect(SwitchConnection& c) {
    const uint32_t mode = c.mode & ~kModeNoT38;
    if (mode == kModeDisconnect) return Disconnect(c);
    if (mode > kModeLocalOnly) return kInvalidMode;
    if (IsIp(c.source.port.port_class)) return kInvalidPortType;
    uint32_t code;
    if (IsIp(c.dest.port.port_class)) {
      // A channel joins an IP port by its unit alone: its own stream and slot are taken.
      if (c.source.port.port_class != kChannelClass) return kInvalidPortType;
      code = FindChannel(c.source);
      if (code == 0) code = AssignMedia(c.dest);
    } else {
      code = CheckTdm(c.source);
      if (code != 0) return code;
      code = CheckTdm(c.dest);
      if (code == 0 && SlotTaken(c.dest.port)) code = kSlotAssigned;
    }
    if (code == 0) t_.connections.push_back(c);
    return code;
  }

 private:
  Telephony& t_;
};

FwTag Int(uint32_t id, uint32_t type, uint32_t value) {
  return FwTag::Int(id, type, value);
}
FwTag Ip(uint32_t id, const std::array<uint8_t, 4>& address) {
  return FwTag::Bytes(id, MILL_TYPE_LONG, {address.begin(), address.end()});
}

// The members that describe a side: its port, and the addresses of an IP side.
std::vector<FwTag> SideMembers(const SwitchSide& side) {
  std::vector<FwTag> m = {Int(CALL_SW_PORT_CLASS_VAR, MILL_TYPE_BYTE, side.port.port_class),
                          Int(CALL_SW_PORT_UNIT_VAR, MILL_TYPE_SHORT, side.port.unit),
                          Int(CALL_SW_PORT_TYPE_VAR, MILL_TYPE_LONG, side.port.port_type)};
  if (side.port.port_class == VTX_PORT_CLASS_UDPTL) {
    m.push_back(Ip(CALL_SW_LOCAL_IP_VAR, side.local_ip));
    m.push_back(Int(CALL_SW_LOCAL_PORT_VAR, MILL_TYPE_SHORT, side.local_port));
    m.push_back(Ip(CALL_SW_REMOTE_IP_VAR, side.remote_ip));
    m.push_back(Int(CALL_SW_REMOTE_PORT_VAR, MILL_TYPE_SHORT, side.remote_port));
  } else if (side.port.port_class == VTX_PORT_CLASS_RTP) {
    m.push_back(Ip(CALL_SW_LOCAL_RTP_IP_VAR, side.local_ip));
    m.push_back(Int(CALL_SW_LOCAL_RTP_PORT_VAR, MILL_TYPE_SHORT, side.local_port));
    m.push_back(Ip(CALL_SW_REMOTE_RTP_IP_VAR, side.remote_ip));
    m.push_back(Int(CALL_SW_REMOTE_RTP_PORT_VAR, MILL_TYPE_SHORT, side.remote_port));
    m.push_back(Ip(CALL_SW_LOCAL_RTCP_IP_VAR, side.local_ip));
    m.push_back(Int(CALL_SW_LOCAL_RTCP_PORT_VAR, MILL_TYPE_SHORT, side.local_rtcp_port));
    m.push_back(Ip(CALL_SW_REMOTE_RTCP_IP_VAR, side.remote_rtcp_ip));
    m.push_back(Int(CALL_SW_REMOTE_RTCP_PORT_VAR, MILL_TYPE_SHORT, side.remote_rtcp_port));
  } else {
    m.push_back(Int(CALL_SW_PORT_STREAM_VAR, MILL_TYPE_SHORT, side.port.stream));
    m.push_back(Int(CALL_SW_PORT_STREAM_SLOT_VAR, MILL_TYPE_SHORT, side.port.slot));
  }
  return m;
}

void HardwareList(Telephony& t, FwAnswer& answer) {
  std::vector<FwTag> descs;
  for (const HardwarePort& port : t.hardware) {
    descs.push_back(ListTag(TELE_CTRL_HARDWARE_DESC_VAR,
                            {Int(TELE_CTRL_PORT_UNIT_VAR, MILL_TYPE_BYTE, port.unit),
                             Int(TELE_CTRL_PORT_TYPES_VAR, MILL_TYPE_LONG, port.port_types)}));
  }
  ListEvents(answer, TELE_CTRL_HARDWARE_LIST_EVENT, std::move(descs));
}

void ResourceList(Telephony& t, FwAnswer& answer) {
  std::vector<FwTag> descs;
  for (const SwitchPort& port : t.switch_ports) {
    descs.push_back(ListTag(CALL_SW_PORT_DESC_VAR,
                            {Int(CALL_SW_PORT_TYPE_VAR, MILL_TYPE_LONG, port.port_type),
                             Int(CALL_SW_UNIT_VAR, MILL_TYPE_SHORT, port.unit),
                             Int(CALL_SW_STREAM_VAR, MILL_TYPE_SHORT, port.stream),
                             Int(CALL_SW_SLOT_VAR, MILL_TYPE_SHORT, port.slot),
                             Int(CALL_SW_PORT_CLASS_VAR, MILL_TYPE_BYTE, port.port_class)}));
  }
  ListEvents(answer, CALL_SW_RESOURCE_LIST_EVENT, std::move(descs));
}

void PcmConnect(Telephony& t, const FwCommand& cmd, FwAnswer& answer) {
  SwitchConnection c;
  const FwTag* mode = cmd.Find(CALL_SW_CONN_MODE_VAR);
  const FwTag* source = cmd.Find(CALL_SW_PCM_CONN_SOURCE_VAR);
  const FwTag* dest = cmd.Find(CALL_SW_PCM_CONN_DEST_VAR);
  uint32_t code = kInvalidMode;
  if (mode != nullptr && source != nullptr && dest != nullptr) {
    c.mode = mode->Value();
    c.source = ReadSide(*source);
    c.dest = ReadSide(*dest);
    code = Switch(t).Connect(c);
  }
  std::vector<FwTag> reply = {Int(CALL_SW_PCM_CONN_REPLY_VAR, MILL_TYPE_BYTE, code)};
  if (code == 0 && IsIp(c.dest.port.port_class) && (c.mode & ~kModeNoT38) != kModeDisconnect) {
    reply.push_back(ListTag(CALL_SW_PCM_CONN_DEST_VAR, SideMembers(c.dest)));
  }
  answer.Packet().Event(CALL_SW_PCM_CONN_REPLY_EVENT, std::move(reply));
}

// A connection by its number from 1. A number beyond the last has an answer without elements,
// which ends the host's list at once instead of after its wait.
void QueryConnection(Telephony& t, const FwCommand& cmd, FwAnswer& answer) {
  const FwTag* number = cmd.Find(CALL_SW_CONN_NUMBER_VAR);
  if (number == nullptr || number->Value() == 0 || number->Value() > t.connections.size()) {
    answer.Packet().Event(CALL_SW_CONN_LIST_EVENT);
    return;
  }
  const SwitchConnection& c = t.connections[number->Value() - 1];
  answer.Packet().Event(CALL_SW_CONN_LIST_EVENT,
                        {Int(CALL_SW_CONN_MODE_VAR, MILL_TYPE_BYTE, c.mode),
                         ListTag(CALL_SW_PCM_CONN_SOURCE_VAR, SideMembers(c.source)),
                         ListTag(CALL_SW_PCM_CONN_DEST_VAR, SideMembers(c.dest))});
}

}  // namespace

void InstallSwitchFirmware(Module& module) {
  Telephony* t = &module.telephony();
  FirmwareTable& table = module.firmware();
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_RESOURCE_LIST_REQUEST,
            [t](const FwCommand&, FwAnswer& answer) { HardwareList(*t, answer); });
  table.Set(MILL_FACILITY_CALL_SW, MILL_VERB_REQUEST, CALL_SW_RESOURCE_LIST_REQUEST,
            [t](const FwCommand&, FwAnswer& answer) { ResourceList(*t, answer); });
  table.Set(MILL_FACILITY_CALL_SW, MILL_VERB_REQUEST, CALL_SW_PCM_CONN_REQUEST,
            [t](const FwCommand& cmd, FwAnswer& answer) { PcmConnect(*t, cmd, answer); });
  table.Set(MILL_FACILITY_CALL_SW, MILL_VERB_REQUEST, CALL_SW_CLEAR_CONNECTIONS_REQUEST,
            [t](const FwCommand&, FwAnswer&) { t->connections.clear(); });
  table.Set(MILL_FACILITY_CALL_SW, MILL_VERB_REQUEST, CALL_SW_QUERY_CONN_REQUEST,
            [t](const FwCommand& cmd, FwAnswer& answer) { QueryConnection(*t, cmd, answer); });
}

}  // namespace sim
