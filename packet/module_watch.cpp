#include "packet/module_watch.h"

#include <cstring>

#include "api/address_mode.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "api/session_watch.h"
#include "hostctrl.h"
#include "packet/command_reader.h"
#include "packet/debug_command.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr uint32_t kWatchReplyWait = 100;  // ms for the RETURN_STATUS of a registration
constexpr uint8_t kEccFacility = 0x12;

}  // namespace

int SessionTermWatch(VtxLine* line, const uint8_t address[4], VtxResult* result) {
  const bool full_byte = FullByteAddressMode();
  const MillTagItem tags[] = {
      {HOST_CTRL_CONTEXT_ID_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(1)},
      {HOST_CTRL_SESSION_ADDRESS_VAR, full_byte ? MILL_TYPE_BYTE : MILL_TYPE_BYTE | MILL_TYPE_EXT,
       4, address},
      {0, 0, 0, nullptr}};
  uint8_t command[64];
  MillArgs args{};
  args.cmd_buf = command;
  args.verb = MILL_VERB_REQUEST;
  args.code = HOST_CTRL_SESSION_TERM_NOTIFY_REQUEST;
  uint8_t packet[MILL_HEADER_LEN + sizeof command];
  if (MillFormCmd(&args, tags) < 0) {
    line->reset_status |= kResetFormParse;
  } else {
    // To the host controller of the machine, module 1.
    const uint8_t dest[4] = {MILL_FACILITY_HOST_CTRL, 1, 1, line->dest_addr[3]};
    memcpy(args.dest_addr, dest, 4);
    memcpy(args.src_addr, line->own_addr, 4);
    FormPacketAt(&args, packet);
    args.incoming_flag = 2;
    args.timeout = kForever;
    if ((TransmitPkt(line, &args) & MILL_SEND_SENT) != 0) {
      MillArgs wait{};
      wait.facility = MILL_FACILITY_HOST_CTRL;
      wait.verb = MILL_VERB_EVENT;
      wait.code = HOST_CTRL_RETURN_STATUS_EVENT;
      wait.timeout = kWatchReplyWait;
      if (WaitCmd(line, &wait) >= 0) return 0;
      CopyResult(&args, wait);
    }
  }
  CopyResult(result, args);
  return 1;
}

void CheckModulePresence(VtxLine* line, MillArgs* args) {
  if (args->verb == MILL_VERB_REQUEST && args->code == HOST_CTRL_EXT_DEBUG_REQUEST) {
    ApplyDebugCommand(args->tag_ptr, args->tags_left);
    return;
  }
  const bool term = args->code == HOST_CTRL_SESSION_TERM_EVENT;
  if (args->verb != MILL_VERB_EVENT || !line->deact_notices ||
      (!term && args->code != HOST_CTRL_SESSION_SUSP_EVENT)) {
    return;
  }
  uint8_t address[4];
  bool found = false;
  TagReader tags(args->tag_ptr, args->tags_left, false);
  Tag tag;
  while (tags.Next(tag)) {
    if (tag.id == HOST_CTRL_SESSION_ADDRESS_VAR && tag.data_len == 4) {
      memcpy(address, tag.data, 4);
      found = true;
    }
  }
  if (!found) return;
  const uint8_t mask = AddressByteMask();
  for (auto& byte : address) byte &= mask;
  const uint8_t module = line->dest_addr[2] & mask;
  const uint8_t node = line->dest_addr[3] & mask;
  if (address[1] != 1 || address[2] != module || address[3] != node) return;
  if (address[0] == 1) {
    if (term) {
      trace::Message(line, trace::kLevelError, "Module %X has been removed.", module);
      FailLine(line, args, APIERR_MODULE_REMOVED, kResetAddressGone);
    } else {
      trace::Message(line, trace::kLevelError, "Module %X has died.", module);
      FailLine(line, args, APIERR_INVALID_DEST_ADDR, kResetAddressGone);
    }
  } else if (address[0] == kEccFacility) {
    trace::Message(line, trace::kLevelError, "ECC server for module %X has died.", module);
    FailLine(line, args, APIERR_INVALID_DEST_ADDR, kResetAddressGone);
  }
}

}  // namespace vtx::packet
