#include "ipcc/t38_params.h"

#include <strings.h>

#include <cstdio>

namespace vtx::ipcc {
namespace {

constexpr ValueName kBooleans[] = {{0, "false"}, {1, "true"}};
constexpr ValueName kVersions[] = {{0, "0"}};
constexpr ValueName kBitRates[] = {{0, "2400"}, {1, "4800"},  {2, "7200"},
                                   {3, "9600"}, {4, "12000"}, {5, "14400"}};
constexpr ValueName kRateManagements[] = {{kRateLocalTcf, "localTCF"},
                                          {kRateTransferredTcf, "transferredTCF"}};
constexpr ValueName kErrorCorrections[] = {{kUdpFec, "t38UDPFEC"},
                                           {kUdpRedundancy, "t38UDPRedundancy"}};

template <size_t N>
constexpr ValueTable TableOf(const ValueName (&entries)[N]) {
  return ValueTable{entries, N};
}

}  // namespace

const ValueTable kBooleanNames = TableOf(kBooleans);
const ValueTable kVersionNames = TableOf(kVersions);
const ValueTable kBitRateNames = TableOf(kBitRates);
const ValueTable kRateManagementNames = TableOf(kRateManagements);
const ValueTable kErrorCorrectionNames = TableOf(kErrorCorrections);

uint32_t ValueTable::ValueOf(const char* name) const {
  if (name == nullptr) return kUnknownValue;
  for (size_t i = 0; i < count; ++i) {
    if (strncasecmp(entries[i].name, name, kMaxValueName) == 0) return entries[i].value;
  }
  return kUnknownValue;
}

const char* ValueTable::NameOf(uint32_t value) const {
  for (size_t i = 0; i < count; ++i) {
    if (entries[i].value == value) return entries[i].name;
  }
  return "Unknown";
}

bool ValueTable::Valid(uint32_t value) const {
  for (size_t i = 0; i < count; ++i) {
    if (entries[i].value == value) return true;
  }
  return false;
}

VtxT38Params T38FromConfig(const callctrl::T38Config& config) {
  VtxT38Params params{};
  params.t38_version = static_cast<uint32_t>(config.t38_version);
  params.t38_max_bit_rate = static_cast<uint32_t>(config.t38_max_bit_rate);
  params.t38_fax_fill_bit_removal = static_cast<uint32_t>(config.t38_fax_fill_bit_removal);
  params.t38_fax_transcoding_MMR = static_cast<uint32_t>(config.t38_fax_transcoding_MMR);
  params.t38_fax_transcoding_JBIG = static_cast<uint32_t>(config.t38_fax_transcoding_JBIG);
  params.t38_fax_rate_management = static_cast<uint32_t>(config.t38_fax_rate_management);
  params.t38_fax_max_buffer = static_cast<uint32_t>(config.t38_fax_max_buffer);
  params.t38_fax_max_datagram_recv = static_cast<uint32_t>(config.t38_fax_max_datagram_recv);
  params.t38_fax_udp_EC = static_cast<uint32_t>(config.t38_fax_udp_EC);
  params.t38_fax_max_datagram_send = static_cast<uint32_t>(config.t38_fax_max_datagram_send);
  params.t38_UDPTL_redundancy_depth_control =
      static_cast<uint32_t>(config.t38_UDPTL_redundancy_depth_control);
  params.t38_UDPTL_redundancy_depth_image =
      static_cast<uint32_t>(config.t38_UDPTL_redundancy_depth_image);
  params.t38_t30_fast_notify = static_cast<uint32_t>(config.t38_t30_fast_notify);
  return params;
}

std::string T38TraceLine(const VtxT38Params& p) {
  char line[512];
  snprintf(line, sizeof line,
           "t38_version=%u,t38_max_bit_rate=%u,t38_fax_fill_bit_removal=%u,"
           "t38_fax_transcoding_MMR=%u,t38_fax_transcoding_JBIG=%u,t38_fax_rate_management=%u,"
           "t38_fax_max_buffer=%u,t38_fax_max_datagram_recv=%u,t38_fax_udp_EC=%u,"
           "t38_fax_max_datagram_send=%u,t38_UDPTL_redundancy_depth_control=%u,"
           "t38_UDPTL_redundancy_depth_image=%u,t38_t30_fast_notify=%u)",
           p.t38_version, p.t38_max_bit_rate, p.t38_fax_fill_bit_removal, p.t38_fax_transcoding_MMR,
           p.t38_fax_transcoding_JBIG, p.t38_fax_rate_management, p.t38_fax_max_buffer,
           p.t38_fax_max_datagram_recv, p.t38_fax_udp_EC, p.t38_fax_max_datagram_send,
           p.t38_UDPTL_redundancy_depth_control, p.t38_UDPTL_redundancy_depth_image,
           p.t38_t30_fast_notify);
  return line;
}

}  // namespace vtx::ipcc
