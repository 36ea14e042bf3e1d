// The TELE_CTRL SET that gives one port its line settings.
#pragma once

#include <cstddef>
#include <cstdint>

#include "callctrl/telephony/telephony_run.h"

namespace vtx::callctrl {

// True when the board knows the configuration of port `index`.
bool PortKnown(const TelephonyRun& run, uint32_t index);

// Sends the command of every port; false after the message of the first that failed.
bool ConfigurePorts(const TelephonyRun& run);

}  // namespace vtx::callctrl
