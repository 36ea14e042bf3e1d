#include "teleph/t38_params.h"

#include <cstdio>

#include "call_sw.h"

namespace vtx::teleph {
namespace {

constexpr uint32_t kMaxBitRateCode = 5;
constexpr uint32_t kRateLocalTcf = 8, kRateTransferredTcf = 9;
constexpr uint32_t kMinDatagram = 512, kMaxDatagram = 1024;
constexpr uint32_t kRedundancy = 6, kForwardCorrection = 7;
constexpr uint32_t kMaxRedundancyDepth = 5;

bool Within(uint32_t value, uint32_t low, uint32_t high) {
  return value >= low && value <= high;
}

}  // namespace

bool T38ParamsValid(const VtxT38Params& t38) {
  if (t38.t38_max_bit_rate > kMaxBitRateCode) return false;
  if (t38.t38_fax_rate_management != kRateLocalTcf &&
      t38.t38_fax_rate_management != kRateTransferredTcf) {
    return false;
  }
  if (!Within(t38.t38_fax_max_buffer, kMinT38Buffer, kMaxT38Buffer) ||
      !Within(t38.t38_fax_max_datagram_recv, kMinDatagram, kMaxDatagram) ||
      !Within(t38.t38_fax_max_datagram_send, kMinDatagram, kMaxDatagram)) {
    return false;
  }
  if (t38.t38_fax_udp_EC == kForwardCorrection) return true;
  return t38.t38_fax_udp_EC == kRedundancy &&
         t38.t38_UDPTL_redundancy_depth_control <= kMaxRedundancyDepth &&
         t38.t38_UDPTL_redundancy_depth_image <= kMaxRedundancyDepth;
}

void AppendT38Tags(const VtxT38Params& t38, MillTagItem* items) {
  const MillTagItem tags[kT38TagCount + 1] = {
      {CALL_SW_T38_VERSION_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(t38.t38_version)},
      {CALL_SW_MAX_BIT_RATE_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(t38.t38_max_bit_rate)},
      {CALL_SW_FILL_BIT_REMOVAL_VAR, MILL_TYPE_BYTE, 0,
       MILL_TAG_VALUE(t38.t38_fax_fill_bit_removal)},
      {CALL_SW_MMR_TRANSCODING_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(t38.t38_fax_transcoding_MMR)},
      {CALL_SW_JBIG_TRANSCODING_VAR, MILL_TYPE_BYTE, 0,
       MILL_TAG_VALUE(t38.t38_fax_transcoding_JBIG)},
      {CALL_SW_DATA_RATE_MANAGEMENT_VAR, MILL_TYPE_BYTE, 0,
       MILL_TAG_VALUE(t38.t38_fax_rate_management)},
      {CALL_SW_MAX_BUFFER_VAR, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(t38.t38_fax_max_buffer)},
      {CALL_SW_MAX_DATAGRAM_VAR, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(t38.t38_fax_max_datagram_send)},
      {CALL_SW_ERROR_CORRECTION_TYPE_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(t38.t38_fax_udp_EC)},
      {CALL_SW_PACKET_SIZE_VAR, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(t38.t38_fax_max_datagram_recv)},
      {CALL_SW_REDUNDANCY_CTRL_VAR, MILL_TYPE_BYTE, 0,
       MILL_TAG_VALUE(t38.t38_UDPTL_redundancy_depth_control)},
      {CALL_SW_REDUNDANCY_IMAGE_VAR, MILL_TYPE_BYTE, 0,
       MILL_TAG_VALUE(t38.t38_UDPTL_redundancy_depth_image)},
      {CALL_SW_T38T30_FASTNOTIFY_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(t38.t38_t30_fast_notify)},
      {0, 0, 0, nullptr}};
  for (const MillTagItem& tag : tags) *items++ = tag;
}

void T38Text(const VtxT38Params& t38, char* out, size_t size) {
  snprintf(out, size,
           ",t38_version=%u,t38_max_bit_rate=%u,t38_fax_fill_bit_removal=%u,"
           "t38_fax_transcoding_MMR=%u,t38_fax_transcoding_JBIG=%u,t38_fax_rate_management=%u,"
           "t38_fax_max_buffer=%u,t38_fax_max_datagram_recv=%u,t38_fax_udp_EC=%u,"
           "t38_fax_max_datagram_send=%u,t38_UDPTL_redundancy_depth_control=%u,"
           "t38_UDPTL_redundancy_depth_image=%u,t38_t30_fast_notify=%u",
           t38.t38_version, t38.t38_max_bit_rate, t38.t38_fax_fill_bit_removal,
           t38.t38_fax_transcoding_MMR, t38.t38_fax_transcoding_JBIG, t38.t38_fax_rate_management,
           t38.t38_fax_max_buffer, t38.t38_fax_max_datagram_recv, t38.t38_fax_udp_EC,
           t38.t38_fax_max_datagram_send, t38.t38_UDPTL_redundancy_depth_control,
           t38.t38_UDPTL_redundancy_depth_image, t38.t38_t30_fast_notify);
}

}  // namespace vtx::teleph
