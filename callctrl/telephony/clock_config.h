// The clocks of a module's time-division bus: the MVIP procedure when its bus interface is an
// MVIP one, the H.100 procedure when it is an H.100 one, nothing otherwise.
#pragma once

#include "callctrl/telephony/telephony_run.h"

namespace vtx::callctrl {

// False after the message of what was wrong (an invalid clock_mode or clock_source) or a
// variable that could not be set.
bool ConfigureClocks(const TelephonyRun& run);

}  // namespace vtx::callctrl
