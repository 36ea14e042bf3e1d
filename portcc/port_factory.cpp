#include "portcc/port_factory.h"

#include "portcc/file_ports.h"

namespace vtx::portcc {
namespace {

using callctrl::CallControlObject;

constexpr uint32_t kT1Channels = 24;
constexpr uint32_t kE1Channels = 30;
constexpr uint32_t kBriChannels = 2;
constexpr uint32_t kBusBits = kPortTypeMvip | kPortTypeH1x0;

bool Fits(int32_t port_config, uint32_t port_type) {
  switch (port_config) {
    case callctrl::kPortInactive:
      return true;
    case callctrl::kPortMvip:
      return (port_type & kPortTypeMvip) != 0;
    case callctrl::kPortH1x0:
      return (port_type & kPortTypeH1x0) != 0;
    default:
      return port_type == 0 || (port_type & ~kBusBits) != 0;
  }
}

std::unique_ptr<CallControlObject> Create(int32_t port_config) {
  switch (port_config) {
    case callctrl::kPortInactive:
    case callctrl::kPortMvip:
    case callctrl::kPortH1x0:
      return std::make_unique<PortObject>(port_config, 0);
    case callctrl::kPortT1Isdn:
      return std::make_unique<PortObject>(port_config, kT1Channels);
    case callctrl::kPortE1Isdn:
    case callctrl::kPortE1Dpnss:
      return std::make_unique<PortObject>(port_config, kE1Channels);
    case callctrl::kPortBri:
      return std::make_unique<PortObject>(port_config, kBriChannels);
    case callctrl::kPortT1RobbedBit:
      return std::make_unique<ProtocolFilePort>(port_config, kT1Channels, SizeRule::kCas);
    case callctrl::kPortE1Cas:
    case callctrl::kPortE1R2Cas:
      return std::make_unique<ProtocolFilePort>(port_config, kE1Channels, SizeRule::kCas);
    case callctrl::kPortAnalog:
      return std::make_unique<AnalogPort>();
    default:
      return nullptr;
  }
}

}  // namespace

std::unique_ptr<CallControlObject> CreatePortObject(int32_t port_config, uint32_t port_type) {
  if (!Fits(port_config, port_type)) return nullptr;
  return Create(port_config);
}

}  // namespace vtx::portcc
