#include "device/solve/line_density.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace devora {

namespace {

// Smoothing steps: the first and the growth factor are 4-byte reals widened.
constexpr double kFirstStepFactor = static_cast<double>(0.1f);
constexpr double kStepGrowth = static_cast<double>(1.2f);
constexpr int kMaxSmoothingSteps = 1000;

// The integral is normalised a hair above n - 1, so that rounding in the
// walk does not leave the last interval unplaced.
constexpr double kIntegralMargin = 1e-10;
constexpr int kMaxUnitsPerCell = 1000000;

constexpr double kWindowWidthGuard = 1e-8;  // keeps a window of zero width finite
constexpr double kInsideTolerance = 1e-12;  // a line on a window edge is inside

// Walks the old cells and ends a new interval at every unit of the
// cumulative density; returns the number of intervals placed.
std::size_t place_intervals(std::span<const double> D, std::span<const double> h, std::span<double> hn) {
  const std::size_t cells = h.size();
  std::size_t placed = 0;
  double weight = 0.0;  // density integral since the last new line
  double length = 0.0;  // length since the last new line
  for (std::size_t k = 0; k < cells && placed < cells; ++k) {
    const double s = 0.5 * (D[k] + D[k + 1]) * h[k];
    if (weight + s < 1.0) {
      weight += s;
      length += h[k];
      continue;
    }
    const double length_per_unit = h[k] / s;
    hn[placed++] = length + (1.0 - weight) * length_per_unit;
    weight = weight + s - 1.0;
    for (int units = 1; weight >= 1.0 && placed < cells && units < kMaxUnitsPerCell; ++units) {
      hn[placed++] = length_per_unit;
      weight -= 1.0;
    }
    length = weight * length_per_unit;
  }
  return placed;
}

// Intervals the walk did not reach share what is left of the old length.
void fill_unplaced(std::span<const double> h, std::span<double> hn, std::size_t placed) {
  const std::size_t cells = h.size();
  if (placed >= cells) return;
  double old_length = 0.0, new_length = 0.0;
  for (std::size_t k = 0; k < cells; ++k) old_length += h[k];
  for (std::size_t k = 0; k < placed; ++k) new_length += hn[k];
  const double share = (old_length - new_length) / static_cast<double>(cells - placed);
  for (std::size_t k = placed; k < cells; ++k) hn[k] = share;
}

// The line density spread over the interval that holds a window's lower
// edge, for a window too narrow to contain a line.
void spread_over_interval(double lower, int lines, std::span<const double> x, std::span<double> D) {
  const std::size_t n = x.size();
  const double c = static_cast<double>(lines);
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (!(x[k] <= lower && lower < x[k + 1])) continue;
    const double here = x[k + 1] - x[k];
    const double next = k + 2 < n ? x[k + 2] - x[k + 1] : here;
    D[k] += 0.5 * c / here;
    D[k + 1] += 0.5 * c / next;
    return;
  }
}

}  // namespace

void MECON(std::span<double> D, std::span<const double> h, std::span<double> hn) {
  const std::size_t n = D.size();
  if (n < 2) return;
  const std::size_t cells = n - 1;
  double integral = 0.0;
  for (std::size_t k = 0; k < cells; ++k) integral += 0.5 * (D[k] + D[k + 1]) * h[k];
  if (!(integral > 0.0 && std::isfinite(integral))) {
    std::copy_n(h.begin(), cells, hn.begin());
    return;
  }
  const double units = static_cast<double>(cells) + kIntegralMargin;
  for (double& d : D) d = d * units / integral;
  fill_unplaced(h.first(cells), hn.first(cells), place_intervals(D, h.first(cells), hn.first(cells)));
}

void CURREM(HeatRecords& heat, std::span<const double> coordinates, std::span<double> D, std::span<const double> C,
            std::span<const double> W, double rmax) {
  const std::size_t n = D.size();
  if (n < 2) return;
  const double wmax = *std::max_element(W.begin(), W.begin() + static_cast<std::ptrdiff_t>(n));
  double dt = kFirstStepFactor * (wmax * wmax);
  std::vector<double> lower(n), diag(n), upper(n), rhs(n), next(n);
  for (int step = 1; step <= kMaxSmoothingSteps; ++step) {
    for (std::size_t k = 0; k < n; ++k) {
      const double left = k > 0 ? dt * C[k - 1] : 0.0;
      const double right = k + 1 < n ? dt * C[k] : 0.0;
      lower[k] = -left;
      upper[k] = -right;
      diag[k] = W[k] + left + right;
      rhs[k] = W[k] * D[k];
    }
    REMINT(lower, diag, upper, rhs, next);
    std::copy(next.begin(), next.end(), D.begin());
    dt *= kStepGrowth;
    const double rho = neighbour_ratio(D);
    REMPRT(heat, coordinates, D, smoothing_title(rho));
    if (rho < rmax) return;
  }
}

void REMINT(std::span<const double> lower, std::span<const double> diag, std::span<const double> upper,
            std::span<const double> rhs, std::span<double> x) {
  const std::size_t n = diag.size();
  if (n == 0) return;
  std::vector<double> eliminated_upper(n, 0.0), eliminated_rhs(n, 0.0);
  double pivot = diag[0];
  eliminated_upper[0] = n > 1 ? upper[0] / pivot : 0.0;
  eliminated_rhs[0] = rhs[0] / pivot;
  for (std::size_t k = 1; k < n; ++k) {
    pivot = diag[k] - lower[k] * eliminated_upper[k - 1];
    eliminated_upper[k] = k + 1 < n ? upper[k] / pivot : 0.0;
    eliminated_rhs[k] = (rhs[k] - lower[k] * eliminated_rhs[k - 1]) / pivot;
  }
  x[n - 1] = eliminated_rhs[n - 1];
  for (std::size_t k = n - 1; k-- > 0;) x[k] = eliminated_rhs[k] - eliminated_upper[k] * x[k + 1];
}

void REMDENS(std::span<const DensityWindow> windows, std::span<const double> x, std::span<double> D) {
  for (const DensityWindow& w : windows) {
    const double density = static_cast<double>(w.lines) / (w.upper - w.lower + kWindowWidthGuard);
    bool line_inside = false;
    for (std::size_t k = 0; k < x.size(); ++k) {
      if (x[k] - w.lower >= -kInsideTolerance && w.upper - x[k] >= -kInsideTolerance) {
        D[k] += density;
        line_inside = true;
      }
    }
    if (!line_inside) spread_over_interval(w.lower, w.lines, x, D);
  }
}

double neighbour_ratio(std::span<const double> v) {
  if (v.size() < 2) return 1.0;
  double rho = -std::numeric_limits<double>::infinity();
  for (std::size_t k = 0; k + 1 < v.size(); ++k) {
    const double ratio = std::max(v[k] / v[k + 1], v[k + 1] / v[k]);
    if (std::isnan(ratio)) return std::numeric_limits<double>::infinity();
    rho = std::max(rho, ratio);
  }
  return rho;
}

}  // namespace devora
