#include "teleph/request.h"

#include "api/line.h"
#include "api/result.h"
#include "packet/command_reader.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"

namespace vtx::teleph {

bool SynchronousWith(VtxLine* line, uint32_t async_lp, uint32_t capability, VtxResult* result) {
  if (async_lp != 0 || line->nesting != 0) {
    Fail(result, APIERR_ASYNC_LP_ERR);
    return false;
  }
  if (!HasCapability(line, capability)) {
    Fail(result, APIERR_BOARDCAPABILITY);
    return false;
  }
  return true;
}

MillArgs ModuleRequest(uint32_t facility, uint32_t code, const MillTagItem* tags) {
  static const MillTagItem kNone[] = {{0, 0, 0, nullptr}};
  MillArgs send{};
  send.facility = facility;
  send.verb = MILL_VERB_REQUEST;
  send.code = code;
  send.incoming_flag = 2;
  send.no_hangup = 1;
  send.timeout = packet::kForever;
  send.use_alt_chan = 1;
  send.tag_list = tags != nullptr ? tags : kNone;
  return send;
}

bool SendFormed(VtxLine* line, MillArgs& send, VtxResult* result) {
  if ((packet::FormSendCmd(line, &send) & MILL_SEND_SENT) != 0) return true;
  CopyResult(result, send);
  return false;
}

bool SendRequest(VtxLine* line, uint32_t facility, uint32_t code, const MillTagItem* tags,
                 VtxResult* result) {
  MillArgs send = ModuleRequest(facility, code, tags);
  return SendFormed(line, send, result);
}

int WaitEvent(VtxLine* line, MillArgs* wait, uint32_t facility, uint32_t code, uint32_t timeout,
              uint8_t* buffer, uint32_t size) {
  *wait = MillArgs{};
  wait->facility = facility;
  wait->verb = MILL_VERB_EVENT;
  wait->code = code;
  wait->timeout = timeout;
  wait->no_hangup = 1;
  wait->no_drain = 1;
  wait->pkt_buf = buffer;
  wait->pkt_len = size;
  return packet::WaitCmd(line, wait);
}

bool DrainRest(VtxLine* line, MillArgs* wait, VtxResult* result) {
  wait->timeout = 0;
  while (packet::GetNextCmd(line, wait) == 1) {
  }
  if (wait->status == CV_STATUS_OK || wait->status == CV_STATUS_TIMEOUT) return true;
  CopyResult(result, *wait);
  return false;
}

void FirmwareRefused(VtxLine* line, VtxResult* result, uint32_t error_class, uint32_t code,
                     const char* format) {
  trace::Message(line, trace::kLevelError, format, code);
  Fail(result, APIERR_FIRMWARE_ERR_DETECTED);
  line->fw_error_class = error_class;
  line->fw_error_code = code;
}

uint32_t CommandTagInt(const MillArgs& wait, uint32_t id) {
  packet::TagReader tags(wait.tag_ptr, wait.tags_left, false);
  packet::Tag tag;
  while (tags.Next(tag)) {
    if (tag.id == id) return static_cast<uint32_t>(tag.Int());
  }
  return 0;
}

}  // namespace vtx::teleph
