// The DEBUG_CONTROL command handler: a trace-control record that another trace user sent
// through the driver, as HOST_CTRL tags of a received command, applied here.
#pragma once

#include <cstdint>

namespace vtx::packet {

// Reads DEBUG_OPTIONS, DEBUG_MODE, DEBUG_FNAME1, DEBUG_FNAME2, DEBUG_FILE_LIMIT,
// DEBUG_CC_TRACE_LEVEL, DEBUG_CC_TRACE_FILE and DEBUG_FUNC_DBG_OPTS from the tag area and
// applies them. Returns 0, or -1 when they could not be read or applied.
int ApplyDebugCommand(const uint8_t* tags, uint32_t length);

}  // namespace vtx::packet
