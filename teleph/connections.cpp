// VtxCallSWGetConns: the connections of the module's switch, one per call, asked for by number.
#include <cstdint>

#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "call_sw.h"
#include "packet/command_reader.h"
#include "teleph/address_text.h"
#include "teleph/ip_reply.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kConnectionWait = 1000;  // ms; no answer ends the list
// Elements a complete answer holds: time-division, with a UDPTL side, with an RTP side.
constexpr int kTdmElements = 11, kUdptlElements = 12, kRtpElements = 14;

enum class IpSide { kNone, kUdptl, kRtp };

uint32_t ConnectionNumber(const VtxTelephArgs* args) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(args->iter_context));
}
void SetConnectionNumber(VtxTelephArgs* args, uint32_t number) {
  args->iter_context = reinterpret_cast<void*>(static_cast<uintptr_t>(number));
}

// The fields of one side of a connection in the record.
struct Side {
  uint32_t *port_type, *unit, *stream, *slot, *port_class;
  IpTargets udptl, rtp;
};

Side SourceSide(VtxTelephArgs* a) {
  VtxSrcIpAddrs& ip = a->src_ip;
  return {&a->src_port_type,
          &a->src_port_unit,
          &a->src_stream,
          &a->src_slot,
          &a->src_port_class,
          IpTargets{&ip.remoteAddr, &ip.localAddr, &ip.remoteRTCPAddr, &ip.localRTCPAddr},
          IpTargets{nullptr, nullptr, nullptr, nullptr, &ip.remoteRTPAddr, &ip.localRTPAddr,
                    &ip.rtpRemoteRTCPAddr, &ip.rtpLocalRTCPAddr}};
}

Side DestinationSide(VtxTelephArgs* a) {
  VtxUdptlOptions& u = a->udptl_opts;
  VtxRtpOptions& r = a->rtp_opts;
  return {&a->dest_port_type,
          &a->dest_port_unit,
          &a->dest_stream,
          &a->dest_slot,
          &a->dest_port_class,
          IpTargets{&u.remoteAddr, &u.localAddr, &u.remoteRTCPAddr, &u.localRTCPAddr},
          IpTargets{nullptr, nullptr, nullptr, nullptr, &r.remoteRTPAddr, &r.localRTPAddr,
                    &r.remoteRTCPAddr, &r.localRTCPAddr}};
}

class AnswerReader {
 public:
  explicit AnswerReader(VtxTelephArgs* args) : args_(args) {}

  // Reads the members of a side's list; false with the result words set on a failure.
  bool ReadSide(const packet::Tag& list, const Side& side) {
    auto* result = ResultOf(args_);
    if (!list.IsList()) {
      Fail(result, APIERR_INVALID_BOARD_PARAM);
      return false;
    }
    packet::TagReader members = list.Members();
    packet::Tag member;
    const IpTargets none;
    while (members.Next(member)) {
      uint32_t* field = nullptr;
      switch (member.id) {
        case CALL_SW_PORT_TYPE_VAR:
          field = side.port_type;
          break;
        case CALL_SW_PORT_UNIT_VAR:
          field = side.unit;
          break;
        case CALL_SW_PORT_STREAM_VAR:
          field = side.stream;
          break;
        case CALL_SW_PORT_STREAM_SLOT_VAR:
          field = side.slot;
          break;
        case CALL_SW_PORT_CLASS_VAR:
          field = side.port_class;
          break;
        default:
          break;
      }
      if (field != nullptr) {
        *field = static_cast<uint32_t>(member.Int());
        ++count_;
      }
      if (member.id == CALL_SW_PORT_CLASS_VAR && !Select(*field, side)) {
        Fail(result, APIERR_PACKET_PARSE);
        return false;
      }
      const IpTargets& targets = selected_ == IpSide::kUdptl ? *udptl_
                                 : selected_ == IpSide::kRtp ? *rtp_
                                                             : none;
      if (ReadAddressMember(member, targets)) ++count_;
    }
    if (members.failed()) Fail(result, APIERR_PACKET_PARSE);
    return !members.failed();
  }

  void CountMode() { ++count_; }
  int count() const { return count_; }
  IpSide selected() const { return selected_; }
  bool Complete() const {
    switch (selected_) {
      case IpSide::kUdptl:
        return count_ >= kUdptlElements;
      case IpSide::kRtp:
        return count_ >= kRtpElements;
      default:
        return count_ >= kTdmElements;
    }
  }

 private:
  // A port class selects the description its addresses go to; one IP side per connection.
  bool Select(uint32_t port_class, const Side& side) {
    selected_ = IpSide::kNone;
    if (port_class != VTX_PORT_CLASS_UDPTL && port_class != VTX_PORT_CLASS_RTP) return true;
    if (++ip_sides_ > 1) return false;
    selected_ = port_class == VTX_PORT_CLASS_UDPTL ? IpSide::kUdptl : IpSide::kRtp;
    udptl_ = &side.udptl;
    rtp_ = &side.rtp;
    return true;
  }

  VtxTelephArgs* args_;
  int count_ = 0;
  int ip_sides_ = 0;
  IpSide selected_ = IpSide::kNone;
  const IpTargets* udptl_ = nullptr;
  const IpTargets* rtp_ = nullptr;
};

int CallSWGetConns(VtxLine* line, VtxTelephArgs* args, IpSide& reported) {
  auto* result = ResultOf(args);
  const uint32_t number = ConnectionNumber(args) + 1;
  // Every end of the list and every failure, the refusals of the opening checks included, starts
  // the list again from connection 1.
  SetConnectionNumber(args, 0);
  if (!SwitchingAllowed(line, args->async_lp, result)) return -1;
  const MillTagItem tags[] = {{CALL_SW_CONN_NUMBER_VAR, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(number)},
                              {0, 0, 0, nullptr}};
  // The module answers a query by number with a connection-list event of one connection.
  if (!SendRequest(line, MILL_FACILITY_CALL_SW, CALL_SW_QUERY_CONN_REQUEST, tags, result)) {
    return -1;
  }
  MillArgs wait;
  const int waited =
      WaitEvent(line, &wait, MILL_FACILITY_CALL_SW, CALL_SW_CONN_LIST_EVENT, kConnectionWait);
  if (waited == 0) return 0;
  if (waited < 0) {
    CopyResult(result, wait);
    return -1;
  }
  const Side source = SourceSide(args);
  const Side dest = DestinationSide(args);
  AnswerReader reader(args);
  packet::TagReader tags_read(wait.tag_ptr, wait.tags_left, false);
  packet::Tag tag;
  while (tags_read.Next(tag)) {
    bool ok = true;
    if (tag.id == CALL_SW_CONN_MODE_VAR) {
      args->conn_mode = static_cast<uint32_t>(tag.Int());
      reader.CountMode();
    }
    if (tag.id == CALL_SW_PCM_CONN_SOURCE_VAR) ok = reader.ReadSide(tag, source);
    if (tag.id == CALL_SW_PCM_CONN_DEST_VAR) ok = reader.ReadSide(tag, dest);
    if (!ok) return -1;
  }
  if (tags_read.failed()) {
    Fail(result, APIERR_PACKET_PARSE);
    return -1;
  }
  if (reader.Complete()) {
    SetConnectionNumber(args, number);
    reported = reader.selected();
    return 1;
  }
  CopyResult(result, wait);
  if (reader.count() > 0) {
    trace::Message(line, trace::kLevelError, "Connection response contained incorrect elements.");
  }
  return 0;
}

int GetConnsWorker(VtxLine* line, VtxTelephArgs* args) {
  const char* name = "VtxCallSWGetConns";
  trace::CallEntry(line, name, nullptr);
  IpSide reported = IpSide::kNone;
  const int ret = CallSWGetConns(line, args, reported);
  if (ret < 0) {
    trace::CallReturn(line, name, args, "ret=%d", ret);
    return ret;
  }
  if (reported == IpSide::kNone) {
    trace::CallReturn(line, name, args,
                      "ret=%d,conn_mode=0x%X,src_port_class=0x%X,src_port_unit=%u,src_stream=%u,"
                      "src_slot=%u,src_port_type=0x%X,dest_port_class=0x%X,dest_port_unit=%u,"
                      "dest_stream=%u,dest_slot=%u,dest_port_type=0x%X",
                      ret, args->conn_mode, args->src_port_class, args->src_port_unit,
                      args->src_stream, args->src_slot, args->src_port_type, args->dest_port_class,
                      args->dest_port_unit, args->dest_stream, args->dest_slot,
                      args->dest_port_type);
    return ret;
  }
  char addresses[kAddressTextSize];
  DestinationText(*args, addresses, sizeof addresses);
  trace::CallReturn(line, name, args,
                    "ret=%d,conn_mode=0x%X,src_port_class=0x%X,src_port_unit=%u,src_stream=%u,"
                    "src_slot=%u,src_port_type=0x%X,dest_port_class=0x%X,%s",
                    ret, args->conn_mode, args->src_port_class, args->src_port_unit,
                    args->src_stream, args->src_slot, args->src_port_type, args->dest_port_class,
                    addresses);
  return ret;
}

}  // namespace
}  // namespace vtx::teleph

extern "C" int VtxCallSWGetConns(VtxLine* line, VtxTelephArgs* args) {
  return vtx::api::Framed<vtx::api::Family::kTelephSwitch, vtx::api::Carry::kOutput>(
      vtx::teleph::GetConnsWorker, line, args);
}
