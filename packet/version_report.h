// The firmware version reports that come with a channel reset: version lists read into a
// FirmwareVersion, and the DSP table of the line filled from a DSP version and its load mask.
#pragma once

#include <cstdint>

#include "packet/command_reader.h"
#include "vtx.h"

namespace vtx::packet {

// The longest DSP load mask kept; a longer one is cut.
constexpr uint32_t kMaxDspMask = 512;

// The load mask of a DSP version list: bit j of byte k stands for DSP slot 8k + j.
struct DspLoadMask {
  uint8_t bytes[kMaxDspMask];
  uint32_t length = 0;
  bool present = false;
};

// Reads the members of the List tag `list` into `version`; members of the wrong type are
// skipped with a warning. A DSP_LOAD_MASK member goes into `mask` when one is given.
void ReadVersionList(const VtxLine* line, const Tag& list, FirmwareVersion* version,
                     DspLoadMask* mask);

// Copies a DSP version into the line's DSP table: into every slot below VTX_MAX_DSPS whose mask
// bit is set, or into slot 0 alone without a mask; the DSP count grows to cover the slots filled.
void StoreDspVersion(VtxLine* line, const FirmwareVersion& version, const DspLoadMask& mask);

}  // namespace vtx::packet
