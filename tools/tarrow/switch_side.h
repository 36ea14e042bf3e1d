// One side of a switch connection as the connection commands show it: a time-division port by
// class, unit, stream and slot; an IP port (class 12 UDPTL, 19 RTP) by its addresses.
#pragma once

#include <string>

#include "tools/tarrow/output.h"
#include "vtx.h"

namespace tarrow {

struct SwitchSide {
  uint32_t port_class, unit, stream, slot, port_type;
  const VtxSockAddr *local, *remote, *local_rtcp, *remote_rtcp;
};

// The source or destination side of a connection record (the query's, or a connect's reply).
SwitchSide SourceSide(const VtxTelephArgs& args);
SwitchSide DestinationSide(const VtxTelephArgs& args);

// "class 0 unit 1 stream 0 slot 1 type 0x100", or for an IP side
// "udptl unit 0 type 0x0 local 192.0.2.2:16384 remote 198.51.100.9:6000 rtcp local ... remote ...".
std::string SideText(const SwitchSide& side);
// The same as a JSON object: "stream" and "slot" null for an IP side, the addresses ("local",
// "remote", "local_rtcp", "remote_rtcp") null for a time-division side.
Json SideJson(const SwitchSide& side);

}  // namespace tarrow
