#include "device/setup/box_profile.hpp"

#include <algorithm>
#include <cmath>

#include "device/setup/doping_files.hpp"

namespace devora {

namespace {

// Distance of c outside [lo, hi]; 0 inside.
double outside(double c, double lo, double hi) {
  if (c < lo) return lo - c;
  if (c > hi) return c - hi;
  return 0.0;
}

// Distance over fall-off width for the exponential and erfc shapes.
double scaled_distance(double d, double width, double min_width) {
  if (d == 0.0) return 0.0;
  if (width <= min_width) return 1e5;  // abrupt edge
  return d / width;
}

double linear_falloff(double d, double width) {
  if (d > width) return 0.0;
  return d > 0.0 ? (width - d) / width : 1.0;
}

}  // namespace

double WINFAC(const BoxShape& box, double x, double y, double min_width) {
  const double dx = outside(x, box.XLFT, box.XRGT);
  const double dy = outside(y, box.YTOP, box.YBOT);
  switch (box.IWEL) {
    case 2:
      return linear_falloff(dx, box.ALX) * linear_falloff(dy, box.ALY);
    case 3: {
      const double ax = scaled_distance(dx, box.ALX, min_width);
      const double ay = scaled_distance(dy, box.ALY, min_width);
      return std::exp(-(std::pow(ax, box.EXPX) + std::pow(ay, box.EXPY)));
    }
    case 4:
      return std::erfc(scaled_distance(dx, box.ALX, min_width) + scaled_distance(dy, box.ALY, min_width));
    default:
      return (dx <= 0.0 && dy <= 0.0) ? 1.0 : 0.0;
  }
}

void PROFMAP(std::span<double> out, std::span<const double> x, std::span<const double> y,
             const BoxShape& box, double value, const std::string& dfil, double ni_ref, double ldum) {
  const std::size_t nx = x.size();
  const double min_width = 1e-5 / ldum;
  if (box.IWEL == 0) {
    std::fill(out.begin(), out.end(), 0.0);
    return;
  }
  const bool tabulated = box.IWEL < 0;
  if (tabulated) RDASCDOP(out, dfil, static_cast<int>(nx), y, box.YTOP, ni_ref, ldum);
  BoxShape window = box;
  if (tabulated) window.IWEL = box.IWEL < -4 ? 1 : -box.IWEL;  // codes beyond 4 are the plain box
  for (std::size_t j = 0; j < y.size(); ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      double& v = out[j * nx + i];
      v = (tabulated ? v : value) * WINFAC(window, x[i], y[j], min_width);
    }
}

}  // namespace devora
