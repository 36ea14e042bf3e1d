#include "teleph/ip_reply.h"

#include <cstring>

#include "call_sw.h"

namespace vtx::teleph {
namespace {

constexpr uint16_t kFamilyInet = 2;

void Fill(VtxSockAddr* address, const packet::Tag& member, bool is_port) {
  if (address == nullptr) return;
  address->sin_family = kFamilyInet;
  if (is_port) {
    address->sin_port = static_cast<uint16_t>(member.Int());
  } else {
    memcpy(address->sin_addr, member.data, member.data_len < 4 ? member.data_len : 4);
  }
}

}  // namespace

bool ReadAddressMember(const packet::Tag& member, const IpTargets& t) {
  switch (member.id) {
    case CALL_SW_LOCAL_IP_VAR:
      Fill(t.udptl_local, member, false);
      break;
    case CALL_SW_REMOTE_IP_VAR:
      Fill(t.udptl_remote, member, false);
      break;
    case CALL_SW_LOCAL_PORT_VAR:
      Fill(t.udptl_local, member, true);
      break;
    case CALL_SW_REMOTE_PORT_VAR:
      Fill(t.udptl_remote, member, true);
      break;
    case CALL_SW_LOCAL_RTP_IP_VAR:
      Fill(t.rtp_local, member, false);
      break;
    case CALL_SW_REMOTE_RTP_IP_VAR:
      Fill(t.rtp_remote, member, false);
      break;
    case CALL_SW_LOCAL_RTP_PORT_VAR:
      Fill(t.rtp_local, member, true);
      break;
    case CALL_SW_REMOTE_RTP_PORT_VAR:
      Fill(t.rtp_remote, member, true);
      break;
    case CALL_SW_LOCAL_RTCP_IP_VAR:
    case CALL_SW_LOCAL_RTCP_PORT_VAR:
      Fill(t.rtp_local_rtcp, member, member.id == CALL_SW_LOCAL_RTCP_PORT_VAR);
      Fill(t.udptl_local_rtcp, member, member.id == CALL_SW_LOCAL_RTCP_PORT_VAR);
      break;
    case CALL_SW_REMOTE_RTCP_IP_VAR:
    case CALL_SW_REMOTE_RTCP_PORT_VAR:
      Fill(t.rtp_remote_rtcp, member, member.id == CALL_SW_REMOTE_RTCP_PORT_VAR);
      Fill(t.udptl_remote_rtcp, member, member.id == CALL_SW_REMOTE_RTCP_PORT_VAR);
      break;
    default:
      break;
  }
  return member.id >= CALL_SW_LOCAL_IP_VAR && member.id <= CALL_SW_REMOTE_RTCP_PORT_VAR;
}

void ReadDestinationReply(const MillArgs& reply, VtxTelephArgs* args) {
  packet::TagReader tags(reply.tag_ptr, reply.tags_left, false);
  packet::Tag tag;
  IpTargets targets;
  targets.udptl_remote = &args->udptl_opts.remoteAddr;
  targets.udptl_local = &args->udptl_opts.localAddr;
  targets.rtp_remote = &args->rtp_opts.remoteRTPAddr;
  targets.rtp_local = &args->rtp_opts.localRTPAddr;
  targets.rtp_remote_rtcp = &args->rtp_opts.remoteRTCPAddr;
  targets.rtp_local_rtcp = &args->rtp_opts.localRTCPAddr;
  while (tags.Next(tag)) {
    if (tag.id != CALL_SW_PCM_CONN_DEST_VAR || !tag.IsList()) continue;
    packet::TagReader members = tag.Members();
    packet::Tag member;
    while (members.Next(member)) ReadAddressMember(member, targets);
  }
}

}  // namespace vtx::teleph
