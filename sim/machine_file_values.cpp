#include "sim/machine_file_values.h"

#include <cerrno>
#include <cstdlib>

namespace sim {

bool ParseNumber(std::string_view text, uint32_t max, uint32_t& out) {
  const std::string copy(text);
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = strtoull(copy.c_str(), &end, 0);
  if (copy.empty() || copy[0] == '-' || *end != '\0' || errno != 0 || value > max) return false;
  out = static_cast<uint32_t>(value);
  return true;
}

bool NumberedName(std::string_view name, std::string_view prefix, uint32_t max, uint32_t& out) {
  if (name.size() <= prefix.size() + 1 || name.substr(0, prefix.size()) != prefix ||
      name[prefix.size()] != '.') {
    return false;
  }
  return ParseNumber(name.substr(prefix.size() + 1), max, out);
}

}  // namespace sim
