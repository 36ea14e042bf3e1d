// The port object factory: module start-up asks it for the call-control object of each port by
// the port's `port_config` and the port-type word the board reported for it.
//
// The word's bits 0x4 (MVIP) and 0x20 (H.100) mark a bus interface. A bus interface kind needs
// its bit; a trunk or analog kind is refused on a port whose word marks only a bus interface;
// inactive ports take any word. A `port_config` outside the schema's table has no object.
#pragma once

#include <cstdint>
#include <memory>

#include "callctrl/cc_object.h"

namespace vtx::portcc {

constexpr uint32_t kPortTypeMvip = 0x4;
constexpr uint32_t kPortTypeH1x0 = 0x20;

// The object for the combination, not yet initialised; null for an unknown combination.
std::unique_ptr<callctrl::CallControlObject> CreatePortObject(int32_t port_config,
                                                              uint32_t port_type);

}  // namespace vtx::portcc
