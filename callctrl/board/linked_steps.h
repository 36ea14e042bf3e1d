// The steps of a master's start that other parts of the library carry out: the port objects'
// factory, the dispatch of the module's packets to them, and the module's telephony
// configuration.
#pragma once

#include <cstdint>
#include <memory>

#include "callctrl/board/board_module.h"

namespace vtx::callctrl {

std::unique_ptr<CallControlObject> MakePortObject(int32_t port_config, uint32_t port_type);
bool DispatchToPorts(BoardModule& module, const uint8_t* packet, uint32_t length);
bool ConfigureTelephony(BoardModule& module);

}  // namespace vtx::callctrl
