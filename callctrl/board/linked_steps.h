// The step of a master's start that the telephony configuration carries out.
#pragma once

#include "callctrl/board/board_module.h"

namespace vtx::callctrl {

bool ConfigureTelephony(BoardModule& module);

}  // namespace vtx::callctrl
