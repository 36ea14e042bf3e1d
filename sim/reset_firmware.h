// The firmware's answers about itself: a channel reset completes with the module's version
// reports, a feature query is answered with one event per feature, and each facility answers a
// capability request with its list. All of it comes from the module's FirmwareReport.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/firmware.h"
#include "sim/module.h"

namespace sim {

// The members of a version list.
std::vector<FwTag> VersionMembers(const FwVersion& version);

void InstallResetFirmware(Module& module);

}  // namespace sim
