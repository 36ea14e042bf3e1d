// Arbitrary bytes as the event buffer a host module library fills: the event is read as IP call
// control reads it, and a media description in it has its T.38 parameters read, negotiated and
// checked against the default limits.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "callctrl/hostlib/cipi.h"
#include "ipcc/library_event.h"
#include "ipcc/t38_negotiation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> buffer(CIPI_EVENT_SIZE, 0);
  memcpy(buffer.data(), data, size < buffer.size() ? size : buffer.size());
  vtx::ipcc::LibraryEvent event;
  if (!vtx::ipcc::ReadLibraryEvent(buffer.data(), static_cast<uint32_t>(buffer.size()), event)) {
    return 0;
  }
  CIPI_CallParties parties;
  (void)vtx::ipcc::EventParties(event, parties);
  CIPI_MediaDescription media;
  if (!vtx::ipcc::EventMedia(event, media)) return 0;
  VtxT38Params limits{0, 5, 0, 0, 0, 9, 512, 1024, 6, 512, 5, 2, 0};
  vtx::ipcc::MediaRecord record{true, 1, {}};
  (void)vtx::ipcc::IsT38Description(media);
  (void)vtx::ipcc::ProcessMediaT38Params({2, 1}, 1, event.header.event, media, limits, record);
  vtx::ipcc::WriteOwnT38Params(media, record.t38);
  return 0;
}
