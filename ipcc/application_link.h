// The applications on an IP channel hear of its calls on the IP_CC facility of the channel's
// address (SETUP_IND, CONNECT, RELEASE) and answer or release them with IP_CC requests (CONNECT,
// RELEASE, CLEAR). The framework serves that facility for each channel it offers a call on: the
// channel's driver event thread is registered under the channel's name, so that the driver hands
// it the applications' requests, which reach the channel's handler on the host module's queue.
#pragma once

#include <cstdint>

#include "callctrl/hostlib/cipi_events.h"
#include "callctrl/hostmod/message_pools.h"
#include "vtx.h"

namespace vtx::callctrl {
struct HostModule;
}

namespace vtx::ipcc {

constexpr uint32_t kCauseNormalClearing = 16;  // what an application's release means by default

// Serves the IP_CC facility of a module's channel for the host module (once per channel): false,
// traced, when the channel's thread cannot be opened or registered.
bool ServeChannel(callctrl::HostModule& host, uint32_t module, uint32_t channel);

// IP_CC events for the applications on a module's channel, sent on `line`: false when the send
// failed. SETUP_IND carries the calling and called numbers, RELEASE the cause.
bool TellSetup(VtxLine* line, uint32_t module, uint32_t channel, const CIPI_CallParties& parties);
bool TellConnected(VtxLine* line, uint32_t module, uint32_t channel);
bool TellReleased(VtxLine* line, uint32_t module, uint32_t channel, uint32_t cause);

// The cause an application's RELEASE or CLEAR request names, or normal clearing when it names
// none. The request came from another process: only the packet layer's checked reader touches it.
uint32_t RequestCause(const callctrl::PacketMessage& message);

}  // namespace vtx::ipcc
