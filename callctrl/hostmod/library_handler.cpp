#include "callctrl/hostmod/library_handler.h"

#include <cstring>

#include "callctrl/cc_registry.h"
#include "callctrl/hostlib/cipi_events.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kHostModuleTrace;
using trace::cc::kLevelBasic;
using trace::cc::kLevelError;

}  // namespace

void LibraryHandler::OnLibraryEvent(uint32_t kind, const void* data, uint32_t length) {
  if (kind == kLibraryEventKind) OnLibraryEventRecord(data, length);
  if (kind == kLibraryErrorKind) OnLibraryError(data, length);
}

void LibraryHandler::OnLibraryEventRecord(const void* data, uint32_t length) {
  if (length != CIPI_EVENT_SIZE) {
    trace::cc::Trace(kHostModuleTrace, kLevelError,
                     "ProcessLibraryEvent: invalid data size=%u, expecting=%u, hm=0x%x", length,
                     static_cast<uint32_t>(CIPI_EVENT_SIZE), host_.id);
    return;
  }
  if (DeliverLibraryEvent(host_, data, length)) return;
  CIPI_EventHeader header;
  memcpy(&header, data, sizeof header);
  trace::cc::Trace(kHostModuleTrace, kLevelBasic,
                   "ProcessLibraryEvent:invalid call record: hm=0x%x, event=%s(%d), hcr=0x%x",
                   host_.id, CIPI_EventName(header.event), static_cast<int>(header.event),
                   header.call);
}

void LibraryHandler::OnLibraryError(const void* data, uint32_t length) {
  if (length != sizeof(int32_t)) {
    trace::cc::Trace(kHostModuleTrace, kLevelError,
                     "ProcessLibraryError: invalid data size=%d, expecting=%d, hm=0x%x",
                     static_cast<int>(length), static_cast<int>(sizeof(int32_t)), host_.id);
    return;
  }
  int32_t error = 0;
  memcpy(&error, data, sizeof error);
  const CIPI_GetErrorString_t text = host_.library.entries().CIPI_GetErrorString;
  const char* name = text != nullptr ? text(error) : nullptr;
  trace::cc::Trace(kHostModuleTrace, kLevelError, "ProcessLibraryError: error=%s(%d), hm=0x%x",
                   name != nullptr ? name : "Unknown", static_cast<int>(error), host_.id);
}

}  // namespace vtx::callctrl
