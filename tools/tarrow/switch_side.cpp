#include "tools/tarrow/switch_side.h"

#include <cstdio>

#include "teleph/address_text.h"
#include "tools/tarrow/command.h"

namespace tarrow {
namespace {

bool IsIp(uint32_t port_class) {
  return port_class == VTX_PORT_CLASS_UDPTL || port_class == VTX_PORT_CLASS_RTP;
}

std::string Endpoint(const VtxSockAddr& address) {
  return vtx::teleph::DottedQuad(address.sin_addr) + ":" + std::to_string(address.sin_port);
}

Json EndpointJson(const VtxSockAddr& address) {
  return Json{{"address", vtx::teleph::DottedQuad(address.sin_addr)}, {"port", address.sin_port}};
}

}  // namespace

SwitchSide SourceSide(const VtxTelephArgs& a) {
  const VtxSrcIpAddrs& ip = a.src_ip;
  SwitchSide side{a.src_port_class, a.src_port_unit,   a.src_stream,
                  a.src_slot,       a.src_port_type,   &ip.localAddr,
                  &ip.remoteAddr,   &ip.localRTCPAddr, &ip.remoteRTCPAddr};
  if (a.src_port_class == VTX_PORT_CLASS_RTP) {
    side.local = &ip.localRTPAddr;
    side.remote = &ip.remoteRTPAddr;
    side.local_rtcp = &ip.rtpLocalRTCPAddr;
    side.remote_rtcp = &ip.rtpRemoteRTCPAddr;
  }
  return side;
}

SwitchSide DestinationSide(const VtxTelephArgs& a) {
  const VtxUdptlOptions& u = a.udptl_opts;
  SwitchSide side{a.dest_port_class, a.dest_port_unit, a.dest_stream,
                  a.dest_slot,       a.dest_port_type, &u.localAddr,
                  &u.remoteAddr,     &u.localRTCPAddr, &u.remoteRTCPAddr};
  if (a.dest_port_class == VTX_PORT_CLASS_RTP) {
    const VtxRtpOptions& r = a.rtp_opts;
    side.local = &r.localRTPAddr;
    side.remote = &r.remoteRTPAddr;
    side.local_rtcp = &r.localRTCPAddr;
    side.remote_rtcp = &r.remoteRTCPAddr;
  }
  return side;
}

std::string SideText(const SwitchSide& s) {
  char text[96];
  if (!IsIp(s.port_class)) {
    snprintf(text, sizeof text, "class %u unit %u stream %u slot %u type 0x%X", s.port_class,
             s.unit, s.stream, s.slot, s.port_type);
    return text;
  }
  snprintf(text, sizeof text, "%s unit %u type 0x%X",
           s.port_class == VTX_PORT_CLASS_RTP ? "rtp" : "udptl", s.unit, s.port_type);
  return text + (" local " + Endpoint(*s.local) + " remote " + Endpoint(*s.remote)) +
         " rtcp local " + Endpoint(*s.local_rtcp) + " remote " + Endpoint(*s.remote_rtcp);
}

Json SideJson(const SwitchSide& s) {
  // An IP side has no stream and slot (the record's fields hold whatever an earlier side left),
  // a time-division side no addresses.
  const bool ip = IsIp(s.port_class);
  return Json{{"class", s.port_class},
              {"unit", s.unit},
              {"stream", ip ? Json() : Json(s.stream)},
              {"slot", ip ? Json() : Json(s.slot)},
              {"port_type", s.port_type},
              {"local", ip ? EndpointJson(*s.local) : Json()},
              {"remote", ip ? EndpointJson(*s.remote) : Json()},
              {"local_rtcp", ip ? EndpointJson(*s.local_rtcp) : Json()},
              {"remote_rtcp", ip ? EndpointJson(*s.remote_rtcp) : Json()}};
}

}  // namespace tarrow
