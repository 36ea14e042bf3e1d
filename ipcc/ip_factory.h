// The IP object factory: module start-up asks it for the call-control object of each host_cc
// entry of a module with an ethernet interface. IP channel objects register their maker here;
// until one has, the factory makes none and says so in the call-control trace.
#pragma once

#include <cstdint>
#include <memory>

#include "callctrl/cc_object.h"

namespace vtx::ipcc {

using IpObjectMaker = std::unique_ptr<callctrl::CallControlObject> (*)(uint32_t host_cc);

// Registers (or, with null, withdraws) the maker of IP channel objects.
void RegisterIpObjectMaker(IpObjectMaker maker);

// The object for host_cc entry `host_cc` of module `module_number`, not yet initialised; null
// when no maker is registered (traced, not a failure).
std::unique_ptr<callctrl::CallControlObject> CreateIpObject(uint32_t module_number,
                                                            uint32_t host_cc);

}  // namespace vtx::ipcc
