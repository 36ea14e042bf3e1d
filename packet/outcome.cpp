#include "packet/outcome.h"

#include "trace/api_log.h"

namespace vtx::packet {

int Fail(MillArgs* args, uint32_t line_status, const char* message) {
  if (message != nullptr) trace::Message(nullptr, trace::kLevelError, "%s", message);
  args->status = CV_STATUS_ERROR;
  args->line_status = line_status;
  return -1;
}

int ParseError(MillArgs* args, const char* item) {
  trace::Message(nullptr, trace::kLevelError, "Parse error on: %s", item);
  args->status = CV_STATUS_ERROR;
  args->line_status = APIERR_PACKET_PARSE;
  return -1;
}

}  // namespace vtx::packet
