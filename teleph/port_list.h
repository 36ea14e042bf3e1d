// The port description lists that the switching requests carry, one List tag per side of a
// connection, formed from the telephony and switching record.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::teleph {

// A formed list: the member tags, ready to be the data of a List tag.
struct PortList {
  uint8_t bytes[160];
  uint32_t length = 0;
};

struct TdmPort {
  uint32_t port_class, unit, stream, slot;
};

// The time-division form: PORT_CLASS, PORT_UNIT, PORT_STREAM, PORT_STREAM_SLOT. False with the
// result words set when a tag cannot be formed.
bool FormTdmList(const TdmPort& port, PortList& list, VtxResult* result);

// The IP form of the record's destination class (12: UDPTL, 19: RTP) from its destination IP
// description; the remote tags are left out for connection mode 2.
bool FormIpList(const VtxTelephArgs& args, PortList& list, VtxResult* result);

}  // namespace vtx::teleph
