#include "teleph/port_list.h"

#include "call_sw.h"
#include "teleph/request.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kModeLocalOnly = 2;  // the remote side is not known yet

class ListWriter {
 public:
  ListWriter(PortList& list, VtxResult* result) : list_(list), result_(result) {}

  // One integer member; or `bytes` of an address when given.
  ListWriter& Add(uint32_t id, uint32_t type, uint32_t value, const uint8_t* bytes = nullptr) {
    if (!ok_) return *this;
    MillArgs args{};
    args.verb = MILL_VERB_EVENT;  // any verb but GET: the tag carries its type and data
    args.tag_id = id;
    args.tag_type = type;
    args.tag_ptr = list_.bytes + list_.length;
    if (bytes != nullptr) {
      args.tag_data_len = 4;
      args.tag_data_ptr = const_cast<uint8_t*>(bytes);
    } else {
      args.tag_data_ptr = MILL_TAG_VALUE(value);
    }
    // Every member is at most 4 data bytes and three single-byte varints: room is checked.
    if (list_.length + 8 > sizeof list_.bytes || MillFormTag(&args) < 0) {
      CopyResult(result_, args);
      ok_ = false;
      return *this;
    }
    list_.length += args.tag_len;
    return *this;
  }
  // A port member (Short) and an address member (Long) from a socket address.
  ListWriter& Address(uint32_t port_id, uint32_t ip_id, const VtxSockAddr& address) {
    return Add(port_id, MILL_TYPE_SHORT, address.sin_port)
        .Add(ip_id, MILL_TYPE_LONG, 0, address.sin_addr);
  }
  bool ok() const { return ok_; }

 private:
  PortList& list_;
  VtxResult* result_;
  bool ok_ = true;
};

}  // namespace

bool FormTdmList(const TdmPort& port, PortList& list, VtxResult* result) {
  list.length = 0;
  return ListWriter(list, result)
      .Add(CALL_SW_PORT_CLASS_VAR, MILL_TYPE_BYTE, port.port_class)
      .Add(CALL_SW_PORT_UNIT_VAR, MILL_TYPE_SHORT, port.unit)
      .Add(CALL_SW_PORT_STREAM_VAR, MILL_TYPE_SHORT, port.stream)
      .Add(CALL_SW_PORT_STREAM_SLOT_VAR, MILL_TYPE_SHORT, port.slot)
      .ok();
}

bool FormIpList(const VtxTelephArgs& args, PortList& list, VtxResult* result) {
  list.length = 0;
  const bool remote = (args.conn_mode & ~VTX_CONN_MODE_NO_T38) != kModeLocalOnly;
  ListWriter writer(list, result);
  writer.Add(CALL_SW_PORT_CLASS_VAR, MILL_TYPE_BYTE, args.dest_port_class);
  if (args.dest_port_class == VTX_PORT_CLASS_UDPTL) {
    const VtxUdptlOptions& udptl = args.udptl_opts;
    writer.Address(CALL_SW_LOCAL_PORT_VAR, CALL_SW_LOCAL_IP_VAR, udptl.localAddr);
    if (remote) writer.Address(CALL_SW_REMOTE_PORT_VAR, CALL_SW_REMOTE_IP_VAR, udptl.remoteAddr);
  } else {
    const VtxRtpOptions& rtp = args.rtp_opts;
    writer.Address(CALL_SW_LOCAL_RTP_PORT_VAR, CALL_SW_LOCAL_RTP_IP_VAR, rtp.localRTPAddr)
        .Address(CALL_SW_LOCAL_RTCP_PORT_VAR, CALL_SW_LOCAL_RTCP_IP_VAR, rtp.localRTCPAddr);
    if (remote) {
      writer.Address(CALL_SW_REMOTE_RTP_PORT_VAR, CALL_SW_REMOTE_RTP_IP_VAR, rtp.remoteRTPAddr)
          .Address(CALL_SW_REMOTE_RTCP_PORT_VAR, CALL_SW_REMOTE_RTCP_IP_VAR, rtp.remoteRTCPAddr);
    }
  }
  return writer.ok();
}

}  // namespace vtx::teleph
