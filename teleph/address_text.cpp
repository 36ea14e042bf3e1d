#include "teleph/address_text.h"

#include <cstdio>

namespace vtx::teleph {
namespace {

#define ADDR_FORMAT "(sin_family=%d,sin_port=%u,sin_addr=(%u,%u,%u,%u))"
#define ADDR_ARGS(a) \
  (a).sin_family, (a).sin_port, (a).sin_addr[0], (a).sin_addr[1], (a).sin_addr[2], (a).sin_addr[3]

}  // namespace

void UdptlText(const VtxSockAddr& remote, const VtxSockAddr& local, char* out, size_t size) {
  snprintf(out, size, "destOptions.UDPTLopts=(remoteAddr=" ADDR_FORMAT ",localAddr=" ADDR_FORMAT,
           ADDR_ARGS(remote), ADDR_ARGS(local));
}

void RtpText(const VtxSockAddr& remote_rtp, const VtxSockAddr& local_rtp,
             const VtxSockAddr& remote_rtcp, const VtxSockAddr& local_rtcp, char* out,
             size_t size) {
  snprintf(out, size,
           "destOptions.RTPopts=(remoteRTPAddr=" ADDR_FORMAT ",localRTPAddr=" ADDR_FORMAT
           ",remoteRTCPAddr=" ADDR_FORMAT ",localRTCPAddr=" ADDR_FORMAT ")",
           ADDR_ARGS(remote_rtp), ADDR_ARGS(local_rtp), ADDR_ARGS(remote_rtcp),
           ADDR_ARGS(local_rtcp));
}

void DestinationText(const VtxTelephArgs& args, char* out, size_t size) {
  if (args.dest_port_class == VTX_PORT_CLASS_UDPTL) {
    UdptlText(args.udptl_opts.remoteAddr, args.udptl_opts.localAddr, out, size);
  } else {
    const VtxRtpOptions& rtp = args.rtp_opts;
    RtpText(rtp.remoteRTPAddr, rtp.localRTPAddr, rtp.remoteRTCPAddr, rtp.localRTCPAddr, out, size);
  }
}

#undef ADDR_FORMAT
#undef ADDR_ARGS

}  // namespace vtx::teleph
