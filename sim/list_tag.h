// List tags of the simulated firmware's answers, and lists sent as events.
#pragma once

#include <vector>

#include "sim/firmware.h"

namespace sim {

// A List tag `id` whose data are the `members`, formed with the library's tag forming.
FwTag ListTag(uint32_t id, const std::vector<FwTag>& members);

// Sends `tags` as EVENT `code` the way the firmware sends a long list: as many tags in one packet
// as the host's receive buffer takes, the rest in further events of the same code. An empty list
// is one event without tags.
void ListEvents(FwAnswer& answer, uint32_t code, std::vector<FwTag> tags);

}  // namespace sim
