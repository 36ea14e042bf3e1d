// The PCPM table step of the telephony configuration: when the administration line names a PCPM
// table file (its pcpm_table setting) and its detector takes tables, the table is read from the
// file and stored on the board. Problems go to the API trace and do not stop the configuration.
#pragma once

#include "callctrl/telephony/telephony_run.h"

namespace vtx::callctrl {

void LoadPcpmTable(const TelephonyRun& run);

}  // namespace vtx::callctrl
