// Switching connections: a time-division connection (VtxCallSWConnect), a channel to an IP port
// (VtxCallSWConnectIP), and clearing every connection of the module (VtxCallSWClearConns).
#include <cstring>

#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "call_sw.h"
#include "packet/command_reader.h"
#include "packet/line_io.h"
#include "teleph/address_text.h"
#include "teleph/ip_reply.h"
#include "teleph/port_list.h"
#include "teleph/request.h"
#include "teleph/t38_params.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kSwitchErrorClass = 3;
constexpr uint32_t kResultGeneric = 1;
constexpr uint32_t kResultSlotNotAssigned = 10;

bool IsIpClass(uint32_t port_class) {
  return port_class == VTX_PORT_CLASS_UDPTL || port_class == VTX_PORT_CLASS_RTP;
}

// Sends PCM_CONN with `tags` and waits for its reply; `on_reply` reads the reply's command before
// the rest of its packet is drained. The firmware result code, or -1.
template <typename OnReply>
int Exchange(VtxLine* line, VtxTelephArgs* args, const MillTagItem* tags, OnReply on_reply) {
  auto* result = ResultOf(args);
  if (!SendRequest(line, MILL_FACILITY_CALL_SW, CALL_SW_PCM_CONN_REQUEST, tags, result)) {
    return -1;
  }
  if (IsIpClass(args->dest_port_class)) {
    memset(&args->udptl_opts, 0, sizeof args->udptl_opts);
    memset(&args->rtp_opts, 0, sizeof args->rtp_opts);
  }
  MillArgs wait;
  if (WaitEvent(line, &wait, MILL_FACILITY_CALL_SW, CALL_SW_PCM_CONN_REPLY_EVENT,
                packet::kForever) != 1) {
    CopyResult(result, wait);
    return -1;
  }
  const uint32_t code = CommandTagInt(wait, CALL_SW_PCM_CONN_REPLY_VAR);
  on_reply(wait);
  if (!DrainRest(line, &wait, result)) return -1;
  if (code != 0) {
    FirmwareRefused(line, result, kSwitchErrorClass, code, "Telephony connection setup error %d.");
    line->reset_status |= kResetFirmwareError;
    if (code == kResultGeneric) {
      line->reset_status |= kResetTelephony;
    } else if (code == kResultSlotNotAssigned) {
      line->reset_status |= kResetSlotNotAssigned;
    } else {
      line->reset_status |= kResetRefusedOther;
    }
  }
  return static_cast<int>(code);
}

// The three tags of every connection request, and room for the T.38 ones after them.
struct ConnectTags {
  PortList source, dest;
  MillTagItem items[3 + kT38TagCount + 1];

  void Begin(uint32_t conn_mode) {
    items[0] = {CALL_SW_CONN_MODE_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(conn_mode)};
    items[1] = {CALL_SW_PCM_CONN_SOURCE_VAR, MILL_TYPE_LIST, source.length, source.bytes};
    items[2] = {CALL_SW_PCM_CONN_DEST_VAR, MILL_TYPE_LIST, dest.length, dest.bytes};
    items[3] = {0, 0, 0, nullptr};
  }
};

int CallSWConnect(VtxLine* line, VtxTelephArgs* args) {
  auto* result = ResultOf(args);
  if (!SwitchingAllowed(line, args->async_lp, result)) return -1;
  if (IsIpClass(args->src_port_class) || IsIpClass(args->dest_port_class)) {
    Fail(result, APIERR_BADPARAMETER);
    return -1;
  }
  ConnectTags tags;
  if (!FormTdmList({args->src_port_class, args->src_port_unit, args->src_stream, args->src_slot},
                   tags.source, result) ||
      !FormTdmList(
          {args->dest_port_class, args->dest_port_unit, args->dest_stream, args->dest_slot},
          tags.dest, result)) {
    return -1;
  }
  tags.Begin(args->conn_mode);
  return Exchange(line, args, tags.items, [](const MillArgs&) {});
}

int CallSWConnectIP(VtxLine* line, VtxTelephArgs* args) {
  auto* result = ResultOf(args);
  if (!SwitchingAllowed(line, args->async_lp, result)) return -1;
  if (!IsIpClass(args->dest_port_class)) {
    Fail(result, APIERR_BADPARAMETER);
    return -1;
  }
  ConnectTags tags;
  if (!FormTdmList({0, args->src_port_unit, 0, 0}, tags.source, result) ||
      !FormIpList(*args, tags.dest, result)) {
    return -1;
  }
  tags.Begin(args->conn_mode);
  // The parameters are sent from a copy: the record's description is cleared once sent.
  const VtxT38Params t38 = args->udptl_opts.t38;
  if (args->dest_port_class == VTX_PORT_CLASS_UDPTL &&
      (args->conn_mode & VTX_CONN_MODE_NO_T38) == 0) {
    if (!T38ParamsValid(t38)) {
      Fail(result, APIERR_BADPARAMETER);
      return -1;
    }
    AppendT38Tags(t38, tags.items + 3);
  }
  return Exchange(line, args, tags.items,
                  [args](const MillArgs& reply) { ReadDestinationReply(reply, args); });
}

int ConnectWorker(VtxLine* line, VtxTelephArgs* args) {
  const char* name = "VtxCallSWConnect";
  trace::CallEntry(line, name,
                   "conn_mode=0x%X,src_port_class=0x%X,src_port_unit=%u,src_stream=%u,src_slot=%u,"
                   "dest_port_class=0x%X,dest_port_unit=%u,dest_stream=%u,dest_slot=%u",
                   args->conn_mode, args->src_port_class, args->src_port_unit, args->src_stream,
                   args->src_slot, args->dest_port_class, args->dest_port_unit, args->dest_stream,
                   args->dest_slot);
  const int ret = CallSWConnect(line, args);
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

int ConnectIPWorker(VtxLine* line, VtxTelephArgs* args) {
  const char* name = "VtxCallSWConnectIP";
  char addresses[kAddressTextSize];
  char t38[kT38TextSize] = "";
  DestinationText(*args, addresses, sizeof addresses);
  if (args->dest_port_class == VTX_PORT_CLASS_UDPTL) {
    T38Text(args->udptl_opts.t38, t38, sizeof t38);
  }
  trace::CallEntry(line, name, "conn_mode=0x%X,src_port_unit=%u,dest_port_class=0x%X,%s%s",
                   args->conn_mode, args->src_port_unit, args->dest_port_class, addresses, t38);
  const int ret = CallSWConnectIP(line, args);
  if (ret >= 0) {
    DestinationText(*args, addresses, sizeof addresses);
    trace::CallReturn(line, name, args, "ret=%d,%s", ret, addresses);
  } else {
    trace::CallReturn(line, name, args, "ret=%d", ret);
  }
  return ret;
}

int ClearConnsWorker(VtxLine* line, VtxTelephArgs* args) {
  const char* name = "VtxCallSWClearConns";
  trace::CallEntry(line, name, nullptr);
  auto* result = ResultOf(args);
  int ret = -1;
  if (SwitchingAllowed(line, args->async_lp, result) &&
      SendRequest(line, MILL_FACILITY_CALL_SW, CALL_SW_CLEAR_CONNECTIONS_REQUEST, nullptr,
                  result)) {
    ret = 0;
  }
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

}  // namespace
}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxCallSWConnect(VtxLine* line, VtxTelephArgs* args) {
  return Framed<Family::kTelephSwitch, Carry::kInputOnly>(vtx::teleph::ConnectWorker, line, args);
}

extern "C" int VtxCallSWConnectIP(VtxLine* line, VtxTelephArgs* args) {
  return Framed<Family::kTelephSwitch, Carry::kOutput>(vtx::teleph::ConnectIPWorker, line, args);
}

extern "C" int VtxCallSWClearConns(VtxLine* line, VtxTelephArgs* args) {
  return Framed<Family::kTelephSwitch, Carry::kInputOnly>(vtx::teleph::ClearConnsWorker, line,
                                                          args);
}
