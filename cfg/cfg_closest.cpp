#include "cfg/cfg_closest.h"

#include <algorithm>
#include <cctype>

namespace vtx::cfg {
namespace {

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Steps from `a` to `b`: changes, insertions, deletions and swaps of neighbours.
size_t Distance(std::string_view a, std::string_view b) {
  const size_t n = a.size(), m = b.size();
  const size_t w = m + 1;
  std::vector<size_t> d((n + 1) * w);  // d[i * w + j]: steps from a[0, i) to b[0, j)
  for (size_t i = 0; i <= n; ++i) d[i * w] = i;
  for (size_t j = 0; j <= m; ++j) d[j] = j;
  for (size_t i = 1; i <= n; ++i) {
    for (size_t j = 1; j <= m; ++j) {
      const size_t cost = SameLetter(a[i - 1], b[j - 1]) ? 0 : 1;
      size_t best =
          std::min({d[(i - 1) * w + j] + 1, d[i * w + j - 1] + 1, d[(i - 1) * w + j - 1] + cost});
      if (i > 1 && j > 1 && SameLetter(a[i - 1], b[j - 2]) && SameLetter(a[i - 2], b[j - 1])) {
        best = std::min(best, d[(i - 2) * w + j - 2] + 1);
      }
      d[i * w + j] = best;
    }
  }
  return d[n * w + m];
}

}  // namespace

std::string closestName(std::string_view name, const std::vector<std::string>& candidates) {
  std::string best;
  size_t best_distance = 3;
  for (const std::string& candidate : candidates) {
    // The lengths alone already differ by more steps than a slip makes.
    const size_t longer = std::max(name.size(), candidate.size());
    if (longer - std::min(name.size(), candidate.size()) >= best_distance) continue;
    const size_t distance = Distance(name, candidate);
    if (distance < best_distance && distance * 2 < name.size()) {
      best = candidate;
      best_distance = distance;
    }
  }
  return best;
}

}  // namespace vtx::cfg
