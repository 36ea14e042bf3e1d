#include "packet/outcome.h"

#include "api/result.h"
#include "trace/api_log.h"

namespace vtx::packet {

int FormError(MillArgs* args, uint32_t line_status, const char* message) {
  trace::Message(nullptr, trace::kLevelError, "%s", message);
  return Fail(args, line_status);
}

int ParseError(MillArgs* args, const char* item) {
  trace::Message(nullptr, trace::kLevelError, "Parse error on: %s", item);
  return Fail(args, APIERR_PACKET_PARSE);
}

}  // namespace vtx::packet
