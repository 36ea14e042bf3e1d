// An event as a host module library hands it over: the framework's 24452-byte buffer read as a
// CIPI_EventHeader and the event's data. A library is outside the system, so nothing it wrote is
// trusted: every length is checked against the buffer before its data is used.
#pragma once

#include <cstdint>

#include "callctrl/hostlib/cipi_events.h"

namespace vtx::ipcc {

struct LibraryEvent {
  CIPI_EventHeader header{};
  const uint8_t* data = nullptr;  // header.length bytes, inside the buffer
};

// False when the buffer is shorter than a header or the header's length runs past the buffer.
bool ReadLibraryEvent(const void* buffer, uint32_t size, LibraryEvent& event);
// The event's data as the record its kind carries: false when the data is too short for it.
bool EventParties(const LibraryEvent& event, CIPI_CallParties& parties);
bool EventMedia(const LibraryEvent& event, CIPI_MediaDescription& media);
bool EventCause(const LibraryEvent& event, uint32_t& cause);
bool EventCommandResult(const LibraryEvent& event, CIPI_CommandResult& result);

}  // namespace vtx::ipcc
