// The enumerations of the call-control schema: (value, symbol) pairs in table order, ended by a
// null symbol. Several symbols may share a value; defaults are table indices. Symbols are lower
// case, as values are read lower-cased.
#pragma once

#include <cstdint>

namespace vtx::callctrl {

struct EnumEntry {
  uint32_t value;
  const char* symbol;
};

struct EnumTable {
  const char* name;  // for people reading the code; messages name the key
  const EnumEntry* entries;
};

// The index of the first entry with `symbol`, or -1.
int32_t EnumIndex(const EnumTable& table, const char* symbol);

namespace tables {
extern const EnumTable kTraceLevel, kBoolean, kSetApi, kPcmLaw, kJateRedialRestriction, kPortConfig,
    kEthernetSpeed, kEthernetDuplex, kEthernetFlowControl, kT38MaxBitRate, kT38FaxRateManagement,
    kT38FaxUdpEc, kClockMode, kClockCompatibility, kClockSource, kBusSpeed, kSlaveSource,
    kMasterDrive, kMasterRefFallback, kLineBuildOut, kT1LineCoding, kE1LineCoding, kLineType,
    kLineImpedance, kT1Protocol, kE1Protocol, kEmulation, kNsf, kSwitchType, kCallType,
    kNumberingPlan, kNumberingType, kPresentation, kScreening, kTransferVariant, kLayer2Designation,
    kLayer3Designation, kDatalink;
}  // namespace tables

}  // namespace vtx::callctrl
