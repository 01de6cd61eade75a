#pragma once
// Whether a run of reals holds only finite numbers (no NaN, no Inf): the
// test every solution and every value headed for a file passes first.
#include <algorithm>
#include <cmath>
#include <iterator>

namespace sim {

template <class Range>
bool all_finite(const Range& values) {
  return std::all_of(std::begin(values), std::end(values), [](auto v) { return std::isfinite(v); });
}

}  // namespace sim
