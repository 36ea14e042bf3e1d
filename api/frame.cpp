#include "api/frame.h"

namespace vtx::api::frame_detail {

void Refuse(const VtxLine*, void* record) {
  if (record == nullptr) return;
  VtxResult refused{CV_STATUS_ERROR, APIERR_VERSION};
  memcpy(record, &refused, sizeof refused);
}

void TraceRefusal(const VtxLine* line, const void* record, const char* format, int ret) {
  if (format == nullptr) {
    trace::CallReturn(line, "unknown", record, nullptr);
  } else {
    trace::CallReturn(line, "unknown", record, format, ret);
  }
}

}  // namespace vtx::api::frame_detail
