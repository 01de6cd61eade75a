#include "device/setup/interpolation.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace devora {

namespace {

constexpr double kLogFloor = 1e-20;  // added before the logarithm: ln(0) is finite
constexpr double kExpShift = 1e-35;  // taken off after the exponential

// ln(max(v, 0) + 1e-20) over the whole table, in place.
void take_logarithms(std::span<double> f) {
  for (double& v : f) v = std::log(std::max(v, 0.0) + kLogFloor);
}

double from_logarithm(double g) { return std::exp(g) - kExpShift; }

double lerp_weighted(double lower, double upper, double w) { return (1.0 - w) * lower + w * upper; }

}  // namespace

bool strictly_increasing(std::span<const double> c) {
  for (std::size_t i = 0; i < c.size(); ++i) {
    if (!std::isfinite(c[i])) return false;
    if (i > 0 && !(c[i - 1] < c[i])) return false;
  }
  return true;
}

void INTERPW(std::span<const double> table, std::span<const double> queries, std::span<double> weights,
             std::span<std::size_t> indices) {
  if (table.empty()) throw std::invalid_argument("INTERPW: empty table");
  if (weights.size() < queries.size() || indices.size() < queries.size())
    throw std::invalid_argument("INTERPW: fewer weights or indices than queries");
  const std::size_t last = table.size() - 1;
  std::size_t k = 0;
  for (std::size_t j = 0; j < queries.size(); ++j) {
    const double q = queries[j];
    if (q < table[k]) k = 0;  // a query out of order: search again from the bottom
    if (q < table[0]) {
      weights[j] = 0.0;
      indices[j] = 0;
      continue;
    }
    for (;;) {
      const std::size_t hi = std::min(k + 1, last);
      if (q <= table[hi]) {
        // hi == k only at the last entry (one-point table): no interval, weight 0.
        const double width = table[hi] - table[k];
        weights[j] = width > 0.0 ? (q - table[k]) / width : 0.0;
        indices[j] = k;
        break;
      }
      if (k == last) {
        weights[j] = 0.0;
        indices[j] = last;
        break;
      }
      ++k;
    }
  }
}

void RATIOG(std::span<double> f, std::span<double> g, std::span<const double> weights,
            std::span<const std::size_t> indices, bool log_flag) {
  if (f.empty()) throw std::invalid_argument("RATIOG: empty table");
  if (weights.size() < g.size() || indices.size() < g.size())
    throw std::invalid_argument("RATIOG: fewer weights or indices than results");
  if (log_flag) take_logarithms(f);
  const std::size_t last = f.size() - 1;
  for (std::size_t j = 0; j < g.size(); ++j) {
    const std::size_t i = std::min(indices[j], last);
    const double v = lerp_weighted(f[i], f[std::min(i + 1, last)], weights[j]);
    g[j] = log_flag ? from_logarithm(v) : v;
  }
}

void INTERP2(std::span<double> f, std::span<double> g, std::span<const double> wx,
             std::span<const double> wy, std::span<const std::size_t> ix, std::span<const std::size_t> iy,
             std::size_t nx_source, std::size_t ny_source, std::size_t nx_dest, std::size_t ny_dest,
             bool log_flag) {
  if (nx_source == 0 || ny_source == 0 || f.size() < nx_source * ny_source)
    throw std::invalid_argument("INTERP2: source field smaller than its mesh");
  if (g.size() < nx_dest * ny_dest || wx.size() < nx_dest || ix.size() < nx_dest ||
      wy.size() < ny_dest || iy.size() < ny_dest)
    throw std::invalid_argument("INTERP2: destination sets smaller than its mesh");
  if (log_flag) take_logarithms(f.first(nx_source * ny_source));
  // Neighbours are clamped per axis to the last column and row; INTERPW
  // gives weight 0 there, so nothing is taken across a mesh edge.
  const auto at = [&](std::size_t i, std::size_t j) { return f[i + j * nx_source]; };
  for (std::size_t jd = 0; jd < ny_dest; ++jd) {
    const std::size_t j0 = std::min(iy[jd], ny_source - 1);
    const std::size_t j1 = std::min(j0 + 1, ny_source - 1);
    for (std::size_t id = 0; id < nx_dest; ++id) {
      const std::size_t i0 = std::min(ix[id], nx_source - 1);
      const std::size_t i1 = std::min(i0 + 1, nx_source - 1);
      const double x1 = wx[id], x0 = 1.0 - x1, y1 = wy[jd], y0 = 1.0 - y1;
      const double v =
          x0 * y0 * at(i0, j0) + x1 * y0 * at(i1, j0) + x0 * y1 * at(i0, j1) + x1 * y1 * at(i1, j1);
      g[id + jd * nx_dest] = log_flag ? from_logarithm(v) : v;
    }
  }
}

}  // namespace devora
