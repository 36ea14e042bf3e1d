// Reading the IP addresses that a module reports for a side of a connection.
#pragma once

#include "packet/command_reader.h"
#include "vtx.h"

namespace vtx::teleph {

// Where each reported address goes; a null entry is not filled.
struct IpTargets {
  VtxSockAddr* udptl_remote = nullptr;
  VtxSockAddr* udptl_local = nullptr;
  VtxSockAddr* udptl_remote_rtcp = nullptr;
  VtxSockAddr* udptl_local_rtcp = nullptr;
  VtxSockAddr* rtp_remote = nullptr;
  VtxSockAddr* rtp_local = nullptr;
  VtxSockAddr* rtp_remote_rtcp = nullptr;
  VtxSockAddr* rtp_local_rtcp = nullptr;
};

// Offers one member of a port description to the address reader: true for an address member
// (0x12 to 0x2F), whether or not a target takes it.
bool ReadAddressMember(const packet::Tag& member, const IpTargets& targets);

// The members of PCM_CONN_DEST of a connection reply into the record's destination description.
void ReadDestinationReply(const MillArgs& reply, VtxTelephArgs* args);

}  // namespace vtx::teleph
