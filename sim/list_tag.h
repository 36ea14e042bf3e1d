// List tags of the simulated firmware's answers.
#pragma once

#include <vector>

#include "sim/firmware.h"

namespace sim {

// A List tag `id` whose data are the `members`, formed with the library's tag forming.
FwTag ListTag(uint32_t id, const std::vector<FwTag>& members);

}  // namespace sim
