#include "common/statement_table.hpp"

namespace sim {

int TABOFS(std::span<const int> counts, int k) {
  int start = 1;
  for (int i = 0; i < k - 1; ++i) start += counts[i];
  return start;
}

}  // namespace sim
