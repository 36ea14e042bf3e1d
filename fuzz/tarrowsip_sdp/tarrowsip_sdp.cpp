// Arbitrary bytes as the SDP body of a far end's INVITE: read into a media description as the SIP
// host module library reads it, then written back as our own body and read again, which must
// give the same medium.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ipcc/tarrowsip/sdp_media.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CIPI_MediaDescription media;
  std::string why;
  if (!tarrowsip::SdpToMedia(reinterpret_cast<const char*>(data), size, media, why)) return 0;
  std::string body;
  if (!tarrowsip::MediaToSdp(media, 1, 1, body)) return 0;
  CIPI_MediaDescription again;
  if (!tarrowsip::SdpToMedia(body.data(), body.size(), again, why)) abort();
  if (again.port != media.port || again.transport != media.transport ||
      again.format_count != media.format_count || memcmp(again.address, media.address, 4) != 0) {
    abort();
  }
  return 0;
}
