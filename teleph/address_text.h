// The trace forms of the IP descriptions of a connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "vtx.h"

namespace vtx::teleph {

// Text buffers large enough for any of the forms below.
constexpr size_t kAddressTextSize = 768;

// "destOptions.UDPTLopts=(remoteAddr=(...),localAddr=(...)" from the two addresses.
void UdptlText(const VtxSockAddr& remote, const VtxSockAddr& local, char* out, size_t size);
// "destOptions.RTPopts=(remoteRTPAddr=(...),localRTPAddr=(...),remoteRTCPAddr=(...),
// localRTCPAddr=(...)))" from the four addresses.
void RtpText(const VtxSockAddr& remote_rtp, const VtxSockAddr& local_rtp,
             const VtxSockAddr& remote_rtcp, const VtxSockAddr& local_rtcp, char* out, size_t size);
// The destination description of the record in the form of its class (12 UDPTL, else RTP).
void DestinationText(const VtxTelephArgs& args, char* out, size_t size);

// "A.B.C.D": four decimal numbers of 0 to 255 and nothing else; false leaves `out` alone.
bool ParseDottedQuad(std::string_view text, uint8_t out[4]);
std::string DottedQuad(const uint8_t address[4]);

}  // namespace vtx::teleph
