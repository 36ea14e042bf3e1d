#include "portcc/file_ports.h"

#include "portcc/port_message.h"
#include "trace/cc_trace.h"

namespace vtx::portcc {
namespace {

namespace cc = trace::cc;

// The protocol file key of the kinds that have one.
const char* ProtocolFileOf(const callctrl::PortConfigRecord& port) {
  switch (port.port_config) {
    case callctrl::kPortT1RobbedBit:
      return port.protocol.t1_robbed_bit.protocol_file;
    case callctrl::kPortE1Cas:
      return port.protocol.e1_cas.protocol_file;
    case callctrl::kPortE1R2Cas:
      return port.protocol.e1_r2_cas.protocol_file;
    case callctrl::kPortAnalog:
      return port.protocol.analog.protocol_file;
    default:
      return nullptr;
  }
}

}  // namespace

ProtocolFilePort::ProtocolFilePort(int32_t port_config, uint32_t channels, SizeRule rule)
    : PortObject(port_config, channels), rule_(rule) {}

bool ProtocolFilePort::ReadForMessage(const char* name, SizeRule rule, uint8_t* buffer,
                                      uint32_t* size) const {
  const callctrl::PortInit& s = settings();
  if (!ReadProtocolFile(s.module_number, s.port_index, name, rule, buffer, kProtocolBufferSize,
                        size)) {
    return false;
  }
  if (*size <= kPortMessageMaxData) return true;
  cc::Trace(cc::kInternalTrace, cc::kLevelError,
            "Module %X, Port %d, ERROR : Protocol size %u exceeds the %u data bytes of a port "
            "message",
            s.module_number, static_cast<int>(s.port_index), *size, kPortMessageMaxData);
  return false;
}

bool ProtocolFilePort::Prepare() {
  return ReadForMessage(ProtocolFileOf(*settings().port), rule_, protocol_, &protocol_size_);
}

bool ProtocolFilePort::Start() {
  PortMessage message;
  const callctrl::PortInit& s = settings();
  return FormPortMessage(port_id(), kProtocolMessageType, 0, protocol_, protocol_size_, &message) &&
         SendPortMessage(s.admin_line, s.module_number, s.port_index, message) &&
         PortObject::Start();
}

AnalogPort::AnalogPort()
    : ProtocolFilePort(callctrl::kPortAnalog, kInitialisedCount, SizeRule::kAnalog) {}

bool AnalogPort::ReadCoefficients(uint8_t* buffer, uint32_t* size) const {
  const callctrl::PortInit& s = settings();
  const char* name = s.port->protocol.analog.country;
  if (ReadForMessage(name, SizeRule::kAnalog, buffer, size)) return true;
  cc::Trace(cc::kInternalTrace, cc::kLevelError,
            "Module %X, Port %d, Error reading coefficient file %s", s.module_number,
            static_cast<int>(s.port_index), name);
  return false;
}

bool AnalogPort::Prepare() {
  uint8_t coefficients[kProtocolBufferSize];
  uint32_t size = 0;
  return ProtocolFilePort::Prepare() && ReadCoefficients(coefficients, &size);
}

bool AnalogPort::SendCoefficients(uint16_t selector) {
  uint8_t coefficients[kProtocolBufferSize];
  uint32_t size = 0;
  PortMessage message;
  const callctrl::PortInit& s = settings();
  return ReadCoefficients(coefficients, &size) &&
         FormPortMessage(port_id(), kCoefficientMessageType, selector, coefficients, size,
                         &message) &&
         SendPortMessage(s.admin_line, s.module_number, s.port_index, message);
}

bool AnalogPort::Start() {
  return ProtocolFilePort::Start() && SendCoefficients(kEveryLine);
}

}  // namespace vtx::portcc
