// The capability lists of a machine file's modules: a subsection [module.N/capabilities.F] per
// facility F (a facility name: SPEECH, FAX, ADMIN, ...) holds the Long tags that the facility
// answers GET_CAPABILITIES with, in file order, each as TAG=VALUE with TAG a tag name of the
// facility or of the tags every facility shares (CAP_FORMATS, CAPABILITIES, ...) or a number;
// `answers=no` makes the facility leave the request unanswered.
//
//   [module.2/capabilities.SPEECH]
//   CAP_FORMATS=0x607FC
//   CAP_FEATURES=0xB
#pragma once

#include "cfg/cfg_section.h"
#include "sim/machine_file_values.h"
#include "sim/module.h"

namespace sim {

// Takes `section` when it is a capabilities subsection (true), replacing the module's list of
// that facility; every problem goes to `problem` as "expected X, got Y".
bool LoadCapabilitySection(const vtx::cfg::cfgSection& section, Module& module,
                           const ProblemReport& problem);

}  // namespace sim
