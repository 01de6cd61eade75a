#include "device/setup/regions.hpp"

#include <algorithm>
#include <cstddef>

namespace devora {

namespace {

bool region_holds(const OXIDE& oxide, int j, double x, double y) {
  return oxide.XLFT[j] <= x && x <= oxide.XRGT[j] && oxide.YTOP[j] <= y && y <= oxide.YBOT[j];
}

// 0-based index of the last region that holds the point, -1 when none does.
int last_region_holding(const OXIDE& oxide, double x, double y) {
  const int count = std::clamp(oxide.NOXR, 0, kOxideCapacity);
  for (int j = count - 1; j >= 0; --j)
    if (region_holds(oxide, j, x, y)) return j;
  return -1;
}

// 0-based i of the interval Q(i) <= c <= Q(i+1); the last interval if none.
std::size_t interval_of(std::span<const double> Q, double c) {
  for (std::size_t i = 0; i + 1 < Q.size(); ++i)
    if (Q[i] <= c && c <= Q[i + 1]) return i;
  return Q.size() - 2;
}

}  // namespace

double REGRAT(const OXIDE& oxide, double epss, double x, double y) {
  const int j = last_region_holding(oxide, x, y);
  return j < 0 ? 1.0 : oxide.PMOX[j] / epss;
}

double REGVAL(const OXIDE& oxide, double x, double y, double v) {
  return last_region_holding(oxide, x, y) < 0 ? 1.0 : v;
}

void LINDEP(std::span<double> A, std::span<const double> P, std::span<const double> Q,
            std::span<const double> W, double lo, double hi, double c, double V,
            LineOrientation orientation) {
  if (Q.size() < 2 || W.size() < Q.size()) return;
  // Outside the mesh the side belongs to the nearest end line: weights taken
  // from an interval that does not hold c would be extrapolated.
  c = std::clamp(c, Q.front(), Q.back());
  const std::size_t i = interval_of(Q, c);
  const double d1 = c - Q[i], d2 = Q[i + 1] - c;
  const double t = d2 * W[i] + d1 * W[i + 1];
  if (!(t > 0.0)) return;  // coinciding lines: no width to spread V over
  const double a1 = V * d2 / t, a2 = V * d1 / t;

  const bool horizontal = orientation == LineOrientation::horizontal;
  const std::size_t nx = horizontal ? P.size() : Q.size();
  for (std::size_t k = 0; k < P.size(); ++k) {
    if (!(lo <= P[k] && P[k] <= hi)) continue;
    const std::size_t first = horizontal ? nx * i + k : nx * k + i;
    const std::size_t second = horizontal ? first + nx : first + 1;
    if (first < A.size()) A[first] += a1;
    if (second < A.size()) A[second] += a2;
  }
}

}  // namespace devora
