#include "orvanel/core/NameDistance.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "orvanel/core/AsciiCase.h"

std::size_t NameDistance(std::string_view a, std::string_view b) {
  a = a.substr(0, 64);
  b = b.substr(0, 64);
  std::vector<std::size_t> row(b.size() + 1);
  std::iota(row.begin(), row.end(), std::size_t{0});
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i + 1;
    for (std::size_t j = 0; j < b.size(); ++j) {
      const bool same = AsciiLower(a[i]) == AsciiLower(b[j]);
      const std::size_t next = std::min({row[j + 1] + 1, row[j] + 1, diagonal + (same ? 0 : 1)});
      diagonal = row[j + 1];
      row[j + 1] = next;
    }
  }
  return row[b.size()];
}

bool NearEnough(std::size_t distance, std::string_view known) {
  return distance <= std::max<std::size_t>(2, known.size() / 3);
}
