#include "ipcc/t38_negotiation.h"

#include <strings.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ipcc/t38_params.h"
#include "trace/cc_trace.h"

namespace vtx::ipcc {
namespace {

using trace::cc::kHostModuleTrace;
using trace::cc::kLevelError;
using trace::cc::kLevelVerbose;

constexpr char kVersion[] = "T38FaxVersion";
constexpr char kMaxBitRate[] = "T38MaxBitRate";
constexpr char kFillBitRemoval[] = "T38FaxFillBitRemoval";
constexpr char kTranscodingMmr[] = "T38FaxTranscodingMMR";
constexpr char kTranscodingJbig[] = "T38FaxTranscodingJBIG";
constexpr char kRateManagement[] = "T38FaxRateManagement";
constexpr char kMaxBuffer[] = "T38FaxMaxBuffer";
constexpr char kMaxDatagram[] = "T38FaxMaxDatagram";
constexpr char kUdpEc[] = "T38FaxUdpEC";

// A text field of a description: at most 50 characters, whether or not it ends in a NUL.
std::string Text(const char (&field)[CIPI_MEDIA_TEXT_SIZE]) {
  return std::string(field, strnlen(field, CIPI_MEDIA_TEXT_SIZE - 1));
}

void SetText(char (&field)[CIPI_MEDIA_TEXT_SIZE], const char* text) {
  const size_t n = strnlen(text, CIPI_MEDIA_TEXT_SIZE - 1);
  memcpy(field, text, n);
  field[n] = '\0';
}

uint32_t Count(uint32_t count, uint32_t most) {
  return count < most ? count : most;
}

// The value of the attribute `name` (case ignored), or false when there is none.
bool Attribute(const CIPI_MediaDescription& media, const char* name, std::string& value) {
  const uint32_t count = Count(media.attribute_count, CIPI_MAX_MEDIA_ATTRIBUTES);
  for (uint32_t i = 0; i < count; ++i) {
    if (strcasecmp(Text(media.attributes[i].name).c_str(), name) == 0) {
      value = Text(media.attributes[i].value);
      return true;
    }
  }
  return false;
}

// A decimal value as a word: what does not read as a number gives -1.
uint32_t Decimal(const std::string& value) {
  if (value.empty()) return kUnknownValue;
  char* end = nullptr;
  const long long number = strtoll(value.c_str(), &end, 10);
  if (*end != '\0' || number < INT32_MIN || number > UINT32_MAX) return kUnknownValue;
  return static_cast<uint32_t>(number);
}

void Add(CIPI_MediaDescription& media, const char* name, const char* value) {
  CIPI_MediaAttribute& attribute = media.attributes[media.attribute_count++];
  SetText(attribute.name, name);
  SetText(attribute.value, value);
}

void AddNumber(CIPI_MediaDescription& media, const char* name, uint32_t value) {
  char text[16];
  snprintf(text, sizeof text, "%d", static_cast<int32_t>(value));
  Add(media, name, text);
}

bool Refuse(const CallPlace& place, std::string* why, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
bool Refuse(const CallPlace& place, std::string* why, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  char line[300];
  snprintf(line, sizeof line, "[%X,%X] %s", place.module, place.channel, text);
  trace::cc::Trace(kHostModuleTrace, kLevelVerbose, "%s", line);
  if (why != nullptr) *why = line;
  return false;
}

int Signed(uint32_t value) {
  return static_cast<int>(value);
}

}  // namespace

bool IsT38Description(const CIPI_MediaDescription& media) {
  if (strcasecmp(Text(media.media_class).c_str(), "image") != 0 ||
      media.transport != CIPI_TRANSPORT_UDPTL) {
    return false;
  }
  const uint32_t count = Count(media.format_count, CIPI_MAX_MEDIA_FORMATS);
  for (uint32_t i = 0; i < count; ++i) {
    if (Text(media.formats[i]) == "t38") return true;
  }
  return false;
}

void WriteOwnT38Params(CIPI_MediaDescription& media, const VtxT38Params& p) {
  if (!IsT38Description(media)) return;
  media.attribute_count = 0;
  AddNumber(media, kVersion, p.t38_version);
  Add(media, kMaxBitRate, kBitRateNames.NameOf(p.t38_max_bit_rate));
  Add(media, kFillBitRemoval, kBooleanNames.NameOf(p.t38_fax_fill_bit_removal));
  Add(media, kTranscodingMmr, kBooleanNames.NameOf(p.t38_fax_transcoding_MMR));
  Add(media, kTranscodingJbig, kBooleanNames.NameOf(p.t38_fax_transcoding_JBIG));
  Add(media, kRateManagement, kRateManagementNames.NameOf(p.t38_fax_rate_management));
  AddNumber(media, kMaxBuffer, p.t38_fax_max_buffer);
  AddNumber(media, kMaxDatagram, p.t38_fax_max_datagram_send);
  Add(media, kUdpEc, kErrorCorrectionNames.NameOf(p.t38_fax_udp_EC));
}

void ReadFarEndT38Params(const CIPI_MediaDescription& media, VtxT38Params& p) {
  std::string value;
  if (Attribute(media, kVersion, value)) p.t38_version = Decimal(value);
  if (Attribute(media, kMaxBitRate, value))
    p.t38_max_bit_rate = kBitRateNames.ValueOf(value.c_str());
  // The flags count as set by their presence alone, whatever value they carry.
  p.t38_fax_fill_bit_removal = Attribute(media, kFillBitRemoval, value) ? 1 : 0;
  p.t38_fax_transcoding_MMR = Attribute(media, kTranscodingMmr, value) ? 1 : 0;
  p.t38_fax_transcoding_JBIG = Attribute(media, kTranscodingJbig, value) ? 1 : 0;
  if (Attribute(media, kRateManagement, value)) {
    p.t38_fax_rate_management = kRateManagementNames.ValueOf(value.c_str());
  }
  if (Attribute(media, kMaxBuffer, value)) p.t38_fax_max_buffer = Decimal(value);
  if (Attribute(media, kMaxDatagram, value)) p.t38_fax_max_datagram_send = Decimal(value);
  if (Attribute(media, kUdpEc, value))
    p.t38_fax_udp_EC = kErrorCorrectionNames.ValueOf(value.c_str());
}

void NegotiateT38Offer(VtxT38Params& w, const VtxT38Params& limits) {
  if (!kVersionNames.Valid(w.t38_version)) w.t38_version = limits.t38_version;
  if (!kBitRateNames.Valid(w.t38_max_bit_rate) || w.t38_max_bit_rate > limits.t38_max_bit_rate) {
    w.t38_max_bit_rate = limits.t38_max_bit_rate;
  }
  auto flag = [](uint32_t offered, uint32_t limit) {
    return kBooleanNames.Valid(offered) && offered == limit ? offered : 0;
  };
  w.t38_fax_fill_bit_removal = flag(w.t38_fax_fill_bit_removal, limits.t38_fax_fill_bit_removal);
  w.t38_fax_transcoding_MMR = flag(w.t38_fax_transcoding_MMR, limits.t38_fax_transcoding_MMR);
  w.t38_fax_transcoding_JBIG = flag(w.t38_fax_transcoding_JBIG, limits.t38_fax_transcoding_JBIG);
  if (!kRateManagementNames.Valid(w.t38_fax_rate_management) ||
      w.t38_fax_rate_management == kRateLocalTcf) {
    w.t38_fax_rate_management = kRateTransferredTcf;
  }
  if (Signed(w.t38_fax_max_buffer) < static_cast<int>(kMinMaxBuffer) ||
      w.t38_fax_max_buffer > limits.t38_fax_max_buffer) {
    w.t38_fax_max_buffer = limits.t38_fax_max_buffer;
  }
  if (Signed(w.t38_fax_max_datagram_send) < static_cast<int>(kMinMaxDatagram) ||
      w.t38_fax_max_datagram_send > limits.t38_fax_max_datagram_send) {
    w.t38_fax_max_datagram_send = limits.t38_fax_max_datagram_send;
  }
  if (!kErrorCorrectionNames.Valid(w.t38_fax_udp_EC) || w.t38_fax_udp_EC == kUdpFec) {
    w.t38_fax_udp_EC = kUdpRedundancy;
  }
}

bool CheckT38Selection(const VtxT38Params& w, const VtxT38Params& limits, const CallPlace& at,
                       std::string* why) {
  if (!kVersionNames.Valid(w.t38_version)) {
    return Refuse(at, why, "Invalid T38 fax version: %d", Signed(w.t38_version));
  }
  if (!kBitRateNames.Valid(w.t38_max_bit_rate) || w.t38_max_bit_rate > limits.t38_max_bit_rate) {
    return Refuse(at, why, "Invalid T38 fax max bit rate: %s(%d)",
                  kBitRateNames.NameOf(w.t38_max_bit_rate), Signed(w.t38_max_bit_rate));
  }
  const struct {
    uint32_t value;
    const char* what;
  } flags[] = {{w.t38_fax_fill_bit_removal, "fill bit removal"},
               {w.t38_fax_transcoding_MMR, "transcoding MMR"},
               {w.t38_fax_transcoding_JBIG, "transcoding JBIG"}};
  for (const auto& flag : flags) {
    if (!kBooleanNames.Valid(flag.value)) {
      return Refuse(at, why, "Invalid T38 fax %s: %s(%d)", flag.what,
                    kBooleanNames.NameOf(flag.value), Signed(flag.value));
    }
  }
  if (!kRateManagementNames.Valid(w.t38_fax_rate_management) ||
      w.t38_fax_rate_management == kRateLocalTcf) {
    return Refuse(at, why, "Invalid T38 fax rate management: %s(%d)",
                  kRateManagementNames.NameOf(w.t38_fax_rate_management),
                  Signed(w.t38_fax_rate_management));
  }
  if (Signed(w.t38_fax_max_buffer) < static_cast<int>(kMinMaxBuffer) ||
      w.t38_fax_max_buffer > limits.t38_fax_max_buffer) {
    return Refuse(at, why, "Invalid T38 fax max buffer: min=%d, max=%d, recv=%d",
                  static_cast<int>(kMinMaxBuffer), Signed(limits.t38_fax_max_buffer),
                  Signed(w.t38_fax_max_buffer));
  }
  if (Signed(w.t38_fax_max_datagram_send) < static_cast<int>(kMinMaxDatagram) ||
      w.t38_fax_max_datagram_send > limits.t38_fax_max_datagram_send) {
    return Refuse(at, why, "Invalid T38 fax max datagram send: min=%d, max=%d, recv=%d",
                  static_cast<int>(kMinMaxDatagram), Signed(limits.t38_fax_max_datagram_send),
                  Signed(w.t38_fax_max_datagram_send));
  }
  if (!kErrorCorrectionNames.Valid(w.t38_fax_udp_EC) || w.t38_fax_udp_EC == kUdpFec) {
    return Refuse(at, why, "Invalid T38 fax UDP EC: %s(%d)",
                  kErrorCorrectionNames.NameOf(w.t38_fax_udp_EC), Signed(w.t38_fax_udp_EC));
  }
  return true;
}

bool ProcessMediaT38Params(const CallPlace& place, uint32_t call, uint32_t event,
                           const CIPI_MediaDescription& media, const VtxT38Params& limits,
                           MediaRecord& current, std::string* why) {
  VtxT38Params working = limits;
  ReadFarEndT38Params(media, working);
  bool accepted = false;
  if (event == Event_CIPI_MediaOffer) {
    NegotiateT38Offer(working, limits);
    accepted = true;
  } else if (event == Event_CIPI_MediaSelected) {
    accepted = CheckT38Selection(working, limits, place, why);
  } else {
    trace::cc::Trace(kHostModuleTrace, kLevelError,
                     "[%X,%X] ProcessMediaOfferT38Params:unexpected media event: hmc=0x%x, "
                     "event=%s(%d)",
                     place.module, place.channel, call, CIPI_EventName(event),
                     static_cast<int>(event));
    return false;
  }
  if (!current.valid) {
    trace::cc::Trace(kHostModuleTrace, kLevelError,
                     "[%X,%X] ProcessMediaOfferT38Params:invalid media record: hmc=0x%x, "
                     "hmr=0x%x",
                     place.module, place.channel, call, current.handle);
    return false;
  }
  current.t38 = working;
  return accepted;
}

}  // namespace vtx::ipcc
