#include "packet/packet_trace.h"

#include <cstdio>

#include "packet/codes.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr size_t kTextSize = 512;

codes::Kind KindOfVerb(uint32_t verb) {
  switch (verb) {
    case MILL_VERB_START:
    case MILL_VERB_FINISH:
      return codes::Kind::kMode;
    case MILL_VERB_EVENT:
      return codes::Kind::kEvent;
    default:
      return codes::Kind::kRequest;
  }
}

// "FACILITY VERB CODE tag,tag,..." for a parsed command; tag ids in hexadecimal.
void Describe(const MillArgs* command, char* text, size_t size) {
  const codes::FacilityCodes* facility = codes::FindFacility(command->facility);
  const char* verb = codes::VerbName(command->verb);
  int n = snprintf(text, size, "%s %s", facility ? facility->name : "?", verb ? verb : "?");
  const bool has_code = command->verb == MILL_VERB_START || command->verb == MILL_VERB_FINISH ||
                        command->verb == MILL_VERB_EVENT || command->verb == MILL_VERB_REQUEST;
  if (has_code) {
    const char* name = codes::Name(command->facility, KindOfVerb(command->verb), command->code);
    n += snprintf(text + n, size - n, " %s", name ? name : "?");
  }
  if (command->verb == MILL_VERB_DATA) {
    snprintf(text + n, size - n, " Strm %X, %X bits", command->code, command->data_bits);
    return;
  }
  MillArgs tags{};
  tags.verb = command->verb;
  tags.tag_ptr = command->tag_ptr;
  tags.tags_left = command->tags_left;
  char separator = ' ';
  while (static_cast<size_t>(n) + 16 < size && MillGetTag(&tags) == 1) {
    n += snprintf(text + n, size - n, "%c%X", separator, tags.tag_id);
    separator = ',';
  }
}

}  // namespace

void TracePacket(const VtxLine* line, const uint8_t* packet, size_t length, char direction) {
  if ((trace::Mask() & (trace::kLevelPacket | trace::kLevelReset)) == 0 || packet == nullptr) {
    return;
  }
  const char* priority = length > 2 && (packet[2] & MILL_PKT_PRIORITY) != 0 ? "+" : "";
  MillArgs args{};
  args.pkt_buf = const_cast<uint8_t*>(packet);
  args.pkt_len = static_cast<uint32_t>(length);
  args.outgoing = direction == kSent ? 1 : 0;
  char text[kTextSize];
  int more;
  while ((more = MillGetCmd(&args)) == 1) {
    MillArgs command = args;
    if (MillParseCmd(&command) != 1) {
      more = -1;
      break;
    }
    Describe(&command, text, sizeof text);
    trace::Message(line, trace::kLevelPacket, "%c%s %s", direction, priority, text);
  }
  if (more != 0) trace::Message(line, trace::kLevelReset, "%c TRUNC", direction);
}

void TraceCommand(const VtxLine* line, const MillArgs* command) {
  char text[kTextSize];
  Describe(command, text, sizeof text);
  trace::Message(line, trace::kLevelPacket, "< %s", text);
}

}  // namespace vtx::packet
