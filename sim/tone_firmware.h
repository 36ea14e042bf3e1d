// The signal generator and detector of a simulated channel. SIG_GEN plays a tone and reports it
// finished after the tone and its silence; SIG_DET, once detection starts, reports the digits
// that the channel "hears": a digit string with tone and gap lengths, given per channel by a
// test or by the machine file:
//
//   [module.N/tones.C]      (C the channel's unit)
//   digits=123#             characters heard each time detection starts
//   tone_length=100         ms each tone lasts (default 100)
//   gap=100                 ms of silence before each tone (default 100)
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "cfg/cfg_section.h"
#include "sim/machine_file_values.h"

namespace sim {

class Module;

struct HeardTones {
  std::string digits;
  uint32_t tone_ms = 100;
  uint32_t gap_ms = 100;
};

// By channel unit.
using ChannelTones = std::map<uint32_t, HeardTones>;

void InstallToneFirmware(Module& module);

// Loads `sub` into `module` when it is a tones subsection; false when it is not.
bool LoadTonesSection(const vtx::cfg::cfgSection& sub, Module& module, const ProblemReport& report);

}  // namespace sim
