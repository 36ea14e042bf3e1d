// VtxCallSWGetInfo: the module's switch resource list, one port per call.
#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "call_sw.h"
#include "packet/command_reader.h"
#include "teleph/list_walk.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kResourceListWait = 1000;  // ms; a module that says nothing has no ports
constexpr int kPortMembers = 5;

// Asks for the list into a new context: 1 the answer is there, 0 the module did not answer,
// -1 failure.
int StartSwitchWalk(VtxLine* line, VtxTelephArgs* args) {
  auto* result = ResultOf(args);
  if (!SendRequest(line, MILL_FACILITY_CALL_SW, CALL_SW_RESOURCE_LIST_REQUEST, nullptr, result)) {
    return -1;
  }
  WalkContext* walk = NewWalk(line, args);
  if (walk == nullptr) return -1;
  const int waited =
      WaitEvent(line, &walk->args, MILL_FACILITY_CALL_SW, CALL_SW_RESOURCE_LIST_EVENT,
                kResourceListWait, walk->packet, sizeof walk->packet);
  if (waited == 1) return 1;
  if (waited == 0) {
    EndWalk(line, args);
    return 0;
  }
  CopyResult(result, walk->args);
  EndWalk(line, args, kResetTelephony);
  return -1;
}

// Reads one PORT_DESC into the record; the count of members found.
int ReadPortDesc(const packet::Tag& desc, VtxTelephArgs* args, bool& failed) {
  int found = 0;
  packet::TagReader members = desc.Members();
  packet::Tag member;
  while (members.Next(member)) {
    uint32_t* field = nullptr;
    switch (member.id) {
      case CALL_SW_PORT_TYPE_VAR:
        field = &args->port_type;
        break;
      case CALL_SW_UNIT_VAR:
        field = &args->src_port_unit;
        break;
      case CALL_SW_STREAM_VAR:
        field = &args->src_stream;
        break;
      case CALL_SW_SLOT_VAR:
        field = &args->src_slot;
        break;
      case CALL_SW_PORT_CLASS_VAR:
        field = &args->src_port_class;
        break;
      default:
        continue;
    }
    *field = static_cast<uint32_t>(member.Int());
    ++found;
  }
  failed = members.failed();
  return found;
}

int CallSWGetInfo(VtxLine* line, VtxTelephArgs* args) {
  auto* result = ResultOf(args);
  if (!SwitchingAllowed(line, args->async_lp, result)) return -1;
  const bool received_now = Walk(args) == nullptr;
  if (received_now) {
    const int started = StartSwitchWalk(line, args);
    if (started != 1) return started;
  }
  WalkContext* walk = Walk(args);
  int last_found = 0;
  Step step;
  packet::Tag desc;
  while ((step = NextDescription(line, args, CALL_SW_PORT_DESC_VAR, desc)) == Step::kDescription) {
    bool failed = false;
    last_found = ReadPortDesc(desc, args, failed);
    if (last_found >= kPortMembers) return 1;
    if (failed) {
      Fail(result, APIERR_PACKET_PARSE);
      EndWalk(line, args, kResetTelephony);
      return -1;
    }
  }
  if (step == Step::kRefused) return -1;
  CopyResult(result, walk->args);
  if (step == Step::kUnreadable) {
    EndWalk(line, args, kResetTelephony);
    return -1;
  }
  EndWalk(line, args);
  if (received_now && last_found < kPortMembers) {
    trace::Message(line, trace::kLevelError,
                   "Call switching telephony response contained no port info.");
  }
  return 0;
}

int CallSWGetInfoWorker(VtxLine* line, VtxTelephArgs* args) {
  const char* name = "VtxCallSWGetInfo";
  trace::CallEntry(line, name, nullptr);
  const int ret = CallSWGetInfo(line, args);
  if (ret >= 0) {
    trace::CallReturn(
        line, name, args,
        "ret=%d,src_port_class=0x%X,src_port_unit=%u,src_stream=%u,src_slot=%u,port_type=0x%X", ret,
        args->src_port_class, args->src_port_unit, args->src_stream, args->src_slot,
        args->port_type);
  } else {
    trace::CallReturn(line, name, args, "ret=%d", ret);
  }
  return ret;
}

}  // namespace
}  // namespace vtx::teleph

extern "C" int VtxCallSWGetInfo(VtxLine* line, VtxTelephArgs* args) {
  return vtx::api::Framed<vtx::api::Family::kTelephSwitch, vtx::api::Carry::kOutput>(
      vtx::teleph::CallSWGetInfoWorker, line, args);
}
