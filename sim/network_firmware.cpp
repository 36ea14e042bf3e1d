#include "sim/network_firmware.h"

#include <cstring>

#include "common.h"
#include "sim/module.h"
#include "tele_ctrl.h"
#include "vtx.h"

namespace sim {
namespace {

constexpr uint32_t kNoSuchInterface = 1;
constexpr uint16_t kFamilyInet = 2;

NetInterface* Find(Telephony& t, const FwCommand& cmd) {
  const FwTag* unit = cmd.Find(TELE_CTRL_UNIT_VAR);
  const uint32_t index = unit != nullptr ? unit->Value() : 0;
  return index < t.interfaces.size() ? &t.interfaces[index] : nullptr;
}

void Address(const FwTag& tag, std::array<uint8_t, 4>& out) {
  memcpy(out.data(), tag.data.data(), tag.data.size() < 4 ? tag.data.size() : 4);
}

void Apply(const FwCommand& cmd, NetInterface& net) {
  for (const FwTag& tag : cmd.tags) {
    switch (tag.id) {
      case TELE_CTRL_LOCAL_ADDRESS_VAR:
        Address(tag, net.address);
        break;
      case TELE_CTRL_NETMASK_VAR:
        Address(tag, net.netmask);
        break;
      case TELE_CTRL_GATEWAY1_VAR:
        Address(tag, net.gateway);
        break;
      case TELE_CTRL_SPEED_VAR:
        net.speed = tag.Value();
        break;
      case TELE_CTRL_DUPLEX_VAR:
        net.duplex = tag.Value();
        break;
      case TELE_CTRL_FULLDUP_FLOW_CTRL_VAR:
        net.flow_control = tag.Value();
        break;
      case TELE_CTRL_ARP_TIMEOUT_VAR:
        net.arp_timeout = tag.Value();
        break;
      default:
        break;
    }
  }
}

template <size_t N>
FwTag Bytes(uint32_t id, const std::array<uint8_t, N>& bytes) {
  return FwTag::Bytes(id, MILL_TYPE_BYTE, {bytes.begin(), bytes.end()});
}

void Info(Telephony& t, const FwCommand& cmd, FwAnswer& answer) {
  const FwTag* unit = cmd.Find(TELE_CTRL_UNIT_VAR);
  std::vector<FwTag> tags = {
      FwTag::Int(TELE_CTRL_UNIT_VAR, MILL_TYPE_BYTE, unit != nullptr ? unit->Value() : 0)};
  if (const NetInterface* net = Find(t, cmd)) {
    const uint32_t msec_long = MILL_TYPE_LONG | (MILL_UNIT_MSEC << MILL_TYPE_UNIT_SHIFT);
    tags.push_back(FwTag::Int(TELE_CTRL_ADDRESS_FAMILY_VAR, MILL_TYPE_SHORT, kFamilyInet));
    tags.push_back(Bytes(TELE_CTRL_LOCAL_ADDRESS_VAR, net->address));
    tags.push_back(Bytes(TELE_CTRL_NETMASK_VAR, net->netmask));
    tags.push_back(Bytes(TELE_CTRL_GATEWAY1_VAR, net->gateway));
    tags.push_back(FwTag::Int(TELE_CTRL_SPEED_VAR, MILL_TYPE_BYTE, net->speed));
    tags.push_back(FwTag::Int(TELE_CTRL_DUPLEX_VAR, MILL_TYPE_BYTE, net->duplex));
    tags.push_back(FwTag::Int(TELE_CTRL_FULLDUP_FLOW_CTRL_VAR, MILL_TYPE_BYTE, net->flow_control));
    tags.push_back(Bytes(TELE_CTRL_MAC_ADDR_VAR, net->mac));
    tags.push_back(FwTag::Int(TELE_CTRL_ARP_TIMEOUT_VAR, msec_long, net->arp_timeout));
  }
  answer.Packet().Event(TELE_CTRL_NETWORK_CONFIG_INFO_EVENT, std::move(tags));
}

}  // namespace

void InstallNetworkFirmware(Module& module) {
  Telephony* t = &module.telephony();
  FirmwareTable& table = module.firmware();
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_NETWORK_CONFIG_SET_REQUEST,
            [t](const FwCommand& cmd, FwAnswer& answer) {
              NetInterface* net = Find(*t, cmd);
              if (net != nullptr) Apply(cmd, *net);
              answer.Packet().Event(TELE_CTRL_NETWORK_CONFIG_DONE_EVENT,
                                    {FwTag::ResultCode(net != nullptr ? 0 : kNoSuchInterface)});
            });
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_NETWORK_CONFIG_GET_REQUEST,
            [t](const FwCommand& cmd, FwAnswer& answer) { Info(*t, cmd, answer); });
  table.Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_NETWORK_CONFIG_SAVE_REQUEST,
            [t](const FwCommand&, FwAnswer& answer) {
              t->saved_interfaces = t->interfaces;
              answer.Packet().Event(TELE_CTRL_NETWORK_CONFIG_SAVED_EVENT, {FwTag::ResultCode(0)});
            });
}

}  // namespace sim
