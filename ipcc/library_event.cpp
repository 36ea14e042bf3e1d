#include "ipcc/library_event.h"

#include <cstring>

namespace vtx::ipcc {
namespace {

template <typename Record>
bool DataAs(const LibraryEvent& event, Record& record) {
  if (event.data == nullptr || event.header.length < sizeof record) return false;
  memcpy(&record, event.data, sizeof record);
  return true;
}

// Texts end within their fields, whatever the library left in them.
template <size_t N>
void Terminate(char (&text)[N]) {
  text[N - 1] = '\0';
}

}  // namespace

bool ReadLibraryEvent(const void* buffer, uint32_t size, LibraryEvent& event) {
  if (buffer == nullptr || size < sizeof event.header) return false;
  memcpy(&event.header, buffer, sizeof event.header);
  if (event.header.length > size - sizeof event.header) return false;
  event.data = static_cast<const uint8_t*>(buffer) + sizeof event.header;
  return true;
}

bool EventParties(const LibraryEvent& event, CIPI_CallParties& parties) {
  if (!DataAs(event, parties)) return false;
  Terminate(parties.calling);
  Terminate(parties.called);
  return true;
}

bool EventMedia(const LibraryEvent& event, CIPI_MediaDescription& media) {
  if (!DataAs(event, media)) return false;
  if (media.format_count > CIPI_MAX_MEDIA_FORMATS) media.format_count = CIPI_MAX_MEDIA_FORMATS;
  if (media.attribute_count > CIPI_MAX_MEDIA_ATTRIBUTES) {
    media.attribute_count = CIPI_MAX_MEDIA_ATTRIBUTES;
  }
  return true;
}

bool EventCause(const LibraryEvent& event, uint32_t& cause) {
  return DataAs(event, cause);
}

bool EventCommandResult(const LibraryEvent& event, CIPI_CommandResult& result) {
  return DataAs(event, result);
}

}  // namespace vtx::ipcc
