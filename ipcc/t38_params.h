// The T.38 parameter record (VtxT38Params, the thirteen words of an IP connection's fax
// parameters) as IP call control reads, names and traces it: each enumerated word has a table of
// value names, looked up without regard to case over at most 50 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "callctrl/config/config_records.h"
#include "vtx.h"

namespace vtx::ipcc {

constexpr size_t kMaxValueName = 50;
constexpr uint32_t kUnknownValue = 0xFFFFFFFF;  // a name not in its table (-1)

constexpr uint32_t kRateLocalTcf = 8;
constexpr uint32_t kRateTransferredTcf = 9;
constexpr uint32_t kUdpRedundancy = 6;
constexpr uint32_t kUdpFec = 7;
constexpr uint32_t kMinMaxBuffer = 64;
constexpr uint32_t kMinMaxDatagram = 1;

struct ValueName {
  uint32_t value;
  const char* name;
};

struct ValueTable {
  const ValueName* entries;
  size_t count;
  // The value of `name` (case ignored, at most 50 characters compared), kUnknownValue when none.
  uint32_t ValueOf(const char* name) const;
  // The name of `value`, "Unknown" when it has none.
  const char* NameOf(uint32_t value) const;
  bool Valid(uint32_t value) const;
};

extern const ValueTable kBooleanNames;
extern const ValueTable kVersionNames;
extern const ValueTable kBitRateNames;
extern const ValueTable kRateManagementNames;
extern const ValueTable kErrorCorrectionNames;

// The host module's configured T.38 keys as a record.
VtxT38Params T38FromConfig(const callctrl::T38Config& config);

// "t38_version=%u,...,t38_t30_fast_notify=%u)": the framework's trace line of a record.
std::string T38TraceLine(const VtxT38Params& params);

}  // namespace vtx::ipcc
