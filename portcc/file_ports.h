// The ports whose signalling comes from files: CAS trunks (T1 robbed bit, E1 CAS, E1 R2 CAS) and
// analog ports read their protocol file at initialise and send it to the board at start as a
// protocol message; analog ports also check their coefficient file (named by the port's
// `country` key) at initialise and send it at start as a coefficient message for every line.
#pragma once

#include <cstdint>

#include "portcc/port_object.h"
#include "portcc/protocol_file.h"

namespace vtx::portcc {

class ProtocolFilePort : public PortObject {
 public:
  ProtocolFilePort(int32_t port_config, uint32_t channels, SizeRule rule);
  bool Start() override;

 protected:
  bool Prepare() override;
  // Reads file `name` by `rule` into `buffer` (kProtocolBufferSize bytes) and makes sure its data
  // fits in one port message; failures are traced.
  bool ReadForMessage(const char* name, SizeRule rule, uint8_t* buffer, uint32_t* size) const;

 private:
  SizeRule rule_;
  uint8_t protocol_[kProtocolBufferSize] = {};
  uint32_t protocol_size_ = 0;
};

class AnalogPort : public ProtocolFilePort {
 public:
  AnalogPort();
  bool Start() override;
  // Reads the coefficient file again and sends it with `selector`; true when it was sent.
  bool SendCoefficients(uint16_t selector);

 protected:
  bool Prepare() override;

 private:
  bool ReadCoefficients(uint8_t* buffer, uint32_t* size) const;
};

}  // namespace vtx::portcc
