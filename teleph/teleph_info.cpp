// VtxTelephGetInfo: the module's telephony hardware list, one port per call.
#include "teleph/teleph_info.h"

#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "packet/command_reader.h"
#include "packet/line_io.h"
#include "tele_ctrl.h"
#include "teleph/list_walk.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kHardwareListWait = 5000;  // ms

// Asks for the list and waits for it into a new context: true when the answer is there.
bool StartHardwareWalk(VtxLine* line, VtxTelephArgs* args) {
  auto* result = ResultOf(args);
  if (!SendRequest(line, MILL_FACILITY_TELE_CTRL, TELE_CTRL_RESOURCE_LIST_REQUEST, nullptr,
                   result)) {
    return false;
  }
  WalkContext* walk = NewWalk(line, args);
  if (walk == nullptr) return false;
  if (WaitEvent(line, &walk->args, MILL_FACILITY_TELE_CTRL, TELE_CTRL_HARDWARE_LIST_EVENT,
                kHardwareListWait, walk->packet, sizeof walk->packet) != 1) {
    CopyResult(result, walk->args);
    EndWalk(line, args, kResetTelephony);
    return false;
  }
  return true;
}

int TelephGetInfo(VtxLine* line, VtxTelephArgs* args) {
  auto* result = ResultOf(args);
  if (args->async_lp != 0 || line->nesting != 0) {
    Fail(result, APIERR_ASYNC_LP_ERR);
    return -1;
  }
  const bool received_now = Walk(args) == nullptr;
  if (received_now && !StartHardwareWalk(line, args)) return -1;
  WalkContext* walk = Walk(args);
  Step step;
  packet::Tag desc;
  while ((step = NextDescription(line, args, TELE_CTRL_HARDWARE_DESC_VAR, desc)) ==
         Step::kDescription) {
    int found = 0;
    packet::TagReader members = desc.Members();
    packet::Tag member;
    while (members.Next(member)) {
      if (member.id == TELE_CTRL_PORT_UNIT_VAR) {
        args->src_port_unit = static_cast<uint32_t>(member.Int());
        ++found;
      } else if (member.id == TELE_CTRL_PORT_TYPES_VAR) {
        args->port_type = static_cast<uint32_t>(member.Int());
        ++found;
      }
    }
    if (found >= 2) {
      if (args->src_port_unit >= vtx::LineTelephony::kPortTypeUnits) {
        trace::Message(line, trace::kLevelError, "Hardware port_unit %d too large.",
                       static_cast<int>(args->src_port_unit));
        Fail(result, APIERR_INVALID_BOARD_PARAM);
        EndWalk(line, args, kResetTelephony);
        return -1;
      }
      line->telephony.port_types[args->src_port_unit] = args->port_type;
      return 1;
    }
    if (members.failed()) {
      Fail(result, APIERR_PACKET_PARSE);
      EndWalk(line, args);
      return -1;
    }
  }
  if (step == Step::kRefused) return -1;
  CopyResult(result, walk->args);
  EndWalk(line, args);
  if (step == Step::kUnreadable) return -1;
  if (received_now) {
    trace::Message(line, trace::kLevelInfo, "Hardware telephony response contained no port info.");
  }
  return 0;
}

int TelephGetInfoWorker(VtxLine* line, VtxTelephArgs* args) {
  const char* name = "VtxTelephGetInfo";
  trace::CallEntry(line, name, nullptr);
  const int ret = TelephGetInfo(line, args);
  if (ret >= 0) {
    trace::CallReturn(line, name, args, "ret=%d,src_port_unit=%u,port_type=0x%X", ret,
                      args->src_port_unit, args->port_type);
  } else {
    trace::CallReturn(line, name, args, "ret=%d", ret);
  }
  return ret;
}

}  // namespace

int PortTypeSummary(VtxLine* line, uint32_t* port_types, VtxTelephArgs* args) {
  if (args->async_lp != 0 || line->nesting != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    return -1;
  }
  *port_types = 0;
  bool any = false;
  int ret;
  while ((ret = TelephGetInfoWorker(line, args)) == 1) {
    *port_types |= args->port_type;
    any = true;
  }
  if (ret == 0) return any ? 0 : 1;
  const bool form_parse =
      args->line_status == APIERR_PACKET_CREATION || args->line_status == APIERR_PACKET_PARSE;
  const bool transfer =
      args->line_status == APIERR_PACKET_SEND || args->line_status == APIERR_PACKET_RECEIVE;
  if (args->status == CV_STATUS_ERROR && form_parse) {
    line->reset_status |= kResetFormParse;
  } else if (args->status == CV_STATUS_ERROR && transfer) {
    line->reset_status |= kResetTransfer;
  } else {
    line->reset_status |= kResetProcessing;
  }
  return -1;
}

}  // namespace vtx::teleph

extern "C" int VtxTelephGetInfo(VtxLine* line, VtxTelephArgs* args) {
  return vtx::api::Framed<vtx::api::Family::kTelephSwitch, vtx::api::Carry::kOutput>(
      vtx::teleph::TelephGetInfoWorker, line, args);
}
