#include "device/physics/contact_currents.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace devora {

namespace {

constexpr int kBottomSurface = 2;

// Flux out of the half cells of columns first..last on the surface row:
// the y edges below (top) or above (bottom) the row, then the two x edges
// that leave the strip sideways on the row itself.
double surface_flux(const MeshArrays& mesh, ELECTAB::Columns cols, bool bottom, std::span<const double> JX,
                    std::span<const double> JY) {
  const std::size_t nx = mesh.X.size(), ny = mesh.Y.size();
  const std::size_t row = bottom ? ny - 1 : 0;
  const std::size_t y_edge_row = bottom ? ny - 2 : 0;  // the edge between the surface row and its neighbour
  const double into_device = bottom ? -1.0 : 1.0;
  double s = 0.0;
  for (std::size_t i = cols.first; i <= cols.last; ++i)
    s += into_device * mesh.WX[i] * JY[i + y_edge_row * nx];
  if (cols.first > 0) s -= mesh.WY[row] * JX[cols.first - 1 + row * nx];
  if (cols.last + 1 < nx) s += mesh.WY[row] * JX[cols.last + row * nx];
  return s;
}

}  // namespace

double CURCONT(const DeviceRun& run, std::size_t e, std::span<const double> JX, std::span<const double> JY) {
  const ELECTAB& electrodes = run.electab;
  if (electrodes.TYPE[e] == kGate) return 0.0;
  // Before the mesh places a column under it the electrode collects nothing
  // (its column numbers would point outside the mesh).
  const auto cols = electrodes.columns(e);
  if (!cols) return 0.0;
  const bool bottom = electrodes.LOC[e] == kBottomSurface;
  return run.scale.I0 * surface_flux(run.mesh, *cols, bottom, JX, JY);
}

CurrentBalance CURRENTS(const DeviceRun& run, std::span<const double> JX, std::span<const double> JY,
                        std::span<double> I) {
  const auto nel = static_cast<std::size_t>(std::max(run.electab.NEL, 0));
  if (I.size() < nel) throw std::invalid_argument("CURRENTS: fewer current slots than electrodes");
  CurrentBalance balance;
  double sum = 0.0, sum_abs = 0.0;
  for (std::size_t e = 0; e < nel; ++e) {
    I[e] = CURCONT(run, e, JX, JY);
    sum += I[e];
    sum_abs += std::abs(I[e]);
    if (balance.IMAX <= std::abs(I[e])) balance.IMAX = std::abs(I[e]);
  }
  balance.CONS = sum_abs != 0.0 ? std::abs(sum) / sum_abs : 0.0;
  return balance;
}

}  // namespace devora
