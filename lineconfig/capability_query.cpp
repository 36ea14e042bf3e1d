#include "lineconfig/capability_query.h"

#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "common.h"
#include "lineconfig/line_config.h"
#include "packet/command_reader.h"
#include "packet/send_receive.h"

namespace vtx {
namespace {

constexpr uint32_t kReplyWait = 1000;  // ms for the CAPABILITIES_LIST

// The Long tags of a CAPABILITIES_LIST as pairs: 0, 1 for an empty list, -1 for a malformed one.
int ReadPairs(VtxLine* line, const MillArgs& reply, CapabilityPair* pairs, VtxLineArgs* args) {
  uint32_t count = 0;
  packet::TagReader tags(reply.tag_ptr, reply.tags_left, false);
  packet::Tag tag;
  while (tags.Next(tag)) {
    if ((tag.type & MILL_TYPE_BASE_MASK) != MILL_TYPE_LONG || count == kMaxCapabilityPairs) {
      Fail(args, APIERR_INVALID_BOARD_PARAM);
      line->reset_status |= kResetFormParse;
      pairs[count] = CapabilityPair{0, 0};
      return -1;
    }
    pairs[count++] = CapabilityPair{tag.id, static_cast<uint32_t>(tag.Int())};
  }
  pairs[count] = CapabilityPair{0, 0};
  return count == 0 ? 1 : 0;
}

}  // namespace

int QueryCapabilities(VtxLine* line, uint32_t facility, CapabilityPair* pairs, int32_t prio,
                      VtxLineArgs* args) {
  pairs[0] = CapabilityPair{0, 0};
  if (RefuseAsync(line, args, "unknown")) return -1;
  MillArgs send{};
  send.facility = facility;
  send.verb = MILL_VERB_REQUEST;
  send.code = COMMON_GET_CAPABILITIES_REQUEST;
  send.prio = prio;
  packet::FormSendCmd(line, &send);
  if (send.status != CV_STATUS_OK) {
    CopyResult(args, send);
    return -1;
  }
  MillArgs reply{};
  reply.facility = facility;
  reply.verb = MILL_VERB_EVENT;
  reply.code = COMMON_CAPABILITIES_LIST_EVENT;
  reply.timeout = kReplyWait;
  reply.no_drain = 1;  // the list is read before the rest of its packet
  const int waited = packet::WaitCmd(line, &reply);
  if (waited == 0) return 1;
  if (waited < 0) {
    CopyResult(args, reply);
    return -1;
  }
  const int read = ReadPairs(line, reply, pairs, args);
  reply.timeout = 0;
  while (packet::GetNextCmd(line, &reply) == 1) {
  }
  return read;
}

}  // namespace vtx
