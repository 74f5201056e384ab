#include "text/nearest_name.h"

#include <algorithm>
#include <vector>

namespace {

// The most edits a hint may be away from what was typed: a third of the
// longer name, so "sav" finds "save" while "size" finds nothing in "mask";
// and never more than this, since a name that far off is another name.
constexpr int kMostEdits = 3;

int allowed_edits(std::string_view a, std::string_view b) {
  const int longer = static_cast<int>(std::max(a.size(), b.size()));
  return std::clamp(longer / 3, 1, kMostEdits);
}

}  // namespace

int edit_distance(std::string_view a, std::string_view b) {
  // Three rows of the table of distances between prefixes: two back (for a
  // swap), the previous and the current.
  const size_t n = b.size();
  std::vector<int> two_back(n + 1), previous(n + 1), current(n + 1);
  for (size_t j = 0; j <= n; ++j) previous[j] = static_cast<int>(j);
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = static_cast<int>(i);
    for (size_t j = 1; j <= n; ++j) {
      const int replace = a[i - 1] == b[j - 1] ? 0 : 1;
      int d = std::min(
          {previous[j] + 1, current[j - 1] + 1, previous[j - 1] + replace});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d = std::min(d, two_back[j - 2] + 1);
      }
      current[j] = d;
    }
    std::swap(two_back, previous);
    std::swap(previous, current);
  }
  return previous[n];
}

std::string nearest_name(std::string_view name,
                         const std::vector<std::string_view>& known) {
  std::string_view best;
  int best_distance = 0;
  for (std::string_view candidate : known) {
    const int d = edit_distance(name, candidate);
    if (d > allowed_edits(name, candidate)) continue;
    if (best.empty() || d < best_distance) {
      best = candidate;
      best_distance = d;
    }
  }
  return std::string(best);
}
