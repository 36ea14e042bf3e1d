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

bool ParseDottedQuad(std::string_view text, uint8_t out[4]) {
  uint8_t bytes[4];
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && (at >= text.size() || text[at++] != '.')) return false;
    unsigned value = 0;
    size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4; ++at, ++digits) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    bytes[part] = static_cast<uint8_t>(value);
  }
  if (at != text.size()) return false;
  for (int i = 0; i < 4; ++i) out[i] = bytes[i];
  return true;
}

std::string DottedQuad(const uint8_t address[4]) {
  char text[16];
  snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
  return text;
}

#undef ADDR_FORMAT
#undef ADDR_ARGS

}  // namespace vtx::teleph
