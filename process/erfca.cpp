#include "process/erfca.hpp"

#include <cmath>

namespace tavik {
namespace {

// (0.3480242 t - 0.0958798 t^2 + 0.7478556 t^3) exp(-a^2) for a = |x| >= 0.
float erfc_of_magnitude(float a) {
  const float t = 1.0f / (1.0f + 0.47047f * a);
  return (0.3480242f * t - 0.0958798f * (t * t) + 0.7478556f * (t * t * t)) * std::exp(-(a * a));
}

}  // namespace

float ERFCA(float x) {
  const float a = std::abs(x);
  if (a > 5.0f) return x > 0.0f ? 0.0f : 2.0f;
  const float e = erfc_of_magnitude(a);
  return x >= 0.0f ? e : 2.0f - e;
}

float ERFCUT(float x) {
  const float a = std::abs(x);
  if (a > 4.5f) return x > 0.0f ? 1.0f : -1.0f;
  const float v = 1.0f - erfc_of_magnitude(a);
  return x < 0.0f ? -v : v;
}

}  // namespace tavik
