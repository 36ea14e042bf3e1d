// Suggestions for misspelt names: the known name closest to a given one, counting a changed,
// added, dropped or swapped character as one step, without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vtx::cfg {

// The candidate nearest to `name` when it is near enough to be a slip of the keyboard (at most
// two steps, and fewer than half the name's length); empty otherwise. Ties go to the first.
std::string closestName(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace vtx::cfg
