#include "device/physics/bernoulli.hpp"

#include <cmath>

namespace devora {

namespace {

constexpr double kSeriesLimit = 0.001;  // |x| up to here: three-term series
constexpr double kLargeArgument = 40.0; // above: exp(x) - 1 is exp(x) to rounding

}  // namespace

double BERN(double x) {
  double b = 1.0 - x / 2.0 + x * x / 12.0;
  if (std::abs(x) > kSeriesLimit && x <= kLargeArgument) b = x / (std::exp(x) - 1.0);
  if (x > kLargeArgument) b = x * std::exp(-x);
  return b;
}

}  // namespace devora
