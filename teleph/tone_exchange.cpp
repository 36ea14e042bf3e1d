#include "teleph/tone_exchange.h"

#include "api/result.h"
#include "packet/async_frame.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "teleph/request.h"

namespace vtx::teleph {

bool RunToneExchange(VtxLine* line, ToneExchange& exchange, uint32_t facility, uint32_t verb,
                     uint32_t code, const MillTagItem* tags, uint32_t answer, VtxResult* result) {
  static const MillTagItem kNone[] = {{0, 0, 0, nullptr}};
  if (exchange.phase == 0) {
    // A continued send works on its own copy of this record: a fresh one here is enough.
    MillArgs send{};
    send.facility = facility;
    send.verb = verb;
    send.code = code;
    send.incoming_flag = 2;
    send.timeout = packet::kForever;
    send.tag_list = tags != nullptr ? tags : kNone;
    const int sent = packet::FormSendCmd(line, &send);
    if (packet::Continuing(&send) || (sent & MILL_SEND_SENT) == 0) {
      CopyResult(result, send);
      return !packet::Continuing(&send);
    }
    exchange.phase = 1;
  }
  MillArgs wait;
  if (WaitEvent(line, &wait, facility, answer, packet::kForever) != 1) {
    CopyResult(result, wait);
    return !packet::Continuing(&wait);
  }
  DrainRest(line, &wait, result);
  return true;
}

}  // namespace vtx::teleph
