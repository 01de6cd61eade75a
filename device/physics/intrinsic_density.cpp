#include "device/physics/intrinsic_density.hpp"

#include <algorithm>
#include <cmath>

namespace devora {

namespace {

constexpr double kTwoThirds = static_cast<double>(2.0f / 3.0f);  // 4-byte 2/3
constexpr double kSmallestFactor = 1e-30;  // (1 - q) floor: NIE never becomes 0

bool is_gate(const DeviceRun& run, int row) {
  return row != 0 && run.electab.TYPE[static_cast<std::size_t>(row - 1)] == kGate;
}

// Strength of the quantum confinement per column from the field at a gate:
// 1 - exp(-(QMBE/2) E^(2/3)), with E the field pushing carriers to the
// surface (0 where no gate or the field points away).
void surface_confinement(const DeviceRun& run, std::span<double> w1, std::span<double> w2) {
  const MeshArrays& m = run.mesh;
  const std::vector<double>& psi = run.nodes.PSI;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  const double half_qmbe = run.quantum.QMBE / 2.0;
  for (std::size_t i = 0; i < nx; ++i) {
    w1[i] = w2[i] = 0.0;
    if (is_gate(run, m.ETOP[i])) {
      const double e1 = (psi[nx + i] - psi[i]) * m.HY[0];
      if (e1 < 0.0) w1[i] = std::abs(e1);
    }
    if (is_gate(run, m.EBOT[i])) {
      const double e2 = (psi[(ny - 1) * nx + i] - psi[(ny - 2) * nx + i]) * m.HY[ny - 2];
      if (e2 > 0.0) w2[i] = e2;
    }
    for (double* w : {&w1[i], &w2[i]}) *w = 1.0 - std::exp(-half_qmbe * std::pow(*w, kTwoThirds));
  }
}

}  // namespace

double intrinsic_density(const DeviceRun& run) {
  const RECOMB& r = run.recomb;
  const double t = r.TEMP / 300.0;
  return std::sqrt(t * t * t * r.ENC3 * r.ENV3) * std::exp(-run.comcon.EG / 2.0) / run.scale.NI;
}

double band_gap_narrowing(const DeviceRun& run, double total) {
  if (run.igrid.HVDO != 1) return 0.0;
  const RECOMB& r = run.recomb;
  const double l = std::log((std::abs(total) + 1e-20) / r.CONB);
  return 0.5 * r.VOBG * (l + std::sqrt(l * l + r.CNSB));
}

double SQRAT(double a, double b) {
  const double u = a == 0.0 ? 0.0 : (a / b) * (a / b);
  return 2.0 * std::exp(-u) / (1.0 + std::exp(-2.0 * u));
}

void NIEFF(DeviceRun& run, std::span<double> w1, std::span<double> w2) {
  const MeshArrays& m = run.mesh;
  NodeArrays& a = run.nodes;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  const bool quantum = run.igrid.IQM == 1;
  const double ni0 = intrinsic_density(run);
  if (quantum) surface_confinement(run, w1, w2);
  const double qmde = run.quantum.QMDE, yy = run.geom.YY;
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      a.NIE[n] = ni0 * std::exp(band_gap_narrowing(run, a.TOTD[n]));
      if (quantum) {
        const double q1 = SQRAT(m.Y[j], qmde) * w1[i];
        const double q2 = SQRAT(yy - m.Y[j], qmde) * w2[i];
        const double q = q1 > q2 ? q1 : q2;
        a.NIE[n] *= std::max(1.0 - q, kSmallestFactor);
      }
      a.LNIE[n] = std::log(a.NIE[n]);
    }
}

}  // namespace devora
