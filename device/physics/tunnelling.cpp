#include "device/physics/tunnelling.hpp"

#include <cmath>
#include <stdexcept>

#include "device/physics/gradient.hpp"

namespace devora {

namespace {

// Field component at a node from the forward differences on its two sides;
// a border node takes the one difference it has.
double node_component(std::span<const double> forward, std::size_t n, std::size_t i, std::size_t count,
                      std::size_t stride) {
  if (i == 0) return forward[n];
  if (i + 1 < count) return (forward[n - stride] + forward[n]) / 2.0;
  return forward[n - stride];
}

// Local model: BBA E^2 exp(-BBE/E).
double local_rate(const BANDBAND& b, double e) { return b.BBA * e * e * std::exp(-b.BBE / e); }

// Tunnelling through one phonon branch of critical field c.
double branch(double c, double e) { return std::exp(-c / e) * std::pow(c, -1.5); }

// Phonon-assisted coefficient. For net generation (x < 0) phonon
// absorption (critical field BBM) carries the Bose weight 1/(FPH - 1) and
// emission (BBP) the weight FPH/(FPH - 1); for net recombination the roles
// swap.
double phonon_assisted_coefficient(const BANDBAND& b, double e, double x) {
  const double emission_weight = 1.0 / (1.0 - 1.0 / b.FPH);
  const double absorption_weight = 1.0 / (b.FPH - 1.0);
  const double field_factor = b.BBAS * std::pow(e, 3.5);
  if (x < 0.0)
    return field_factor * (branch(b.BBP, e) * emission_weight + branch(b.BBM, e) * absorption_weight);
  return field_factor * (branch(b.BBM, e) * emission_weight + branch(b.BBP, e) * absorption_weight);
}

// n p - ni^2 over (n + ni)(p + ni).
double density_factor(double n, double p, double ni) { return n / (n + ni) - ni / (p + ni); }

}  // namespace

void BBTGEN(DeviceRun& run, std::span<double> EXW, std::span<double> EYW) {
  const int mode = run.igrid.BBTL;
  if (mode != 1 && mode != 2) return;  // the set-up refuses values other than 0, 1, 2
  const MeshArrays& mesh = run.mesh;
  const std::size_t nx = mesh.X.size(), ny = mesh.Y.size();
  if (EXW.size() < nx * ny || EYW.size() < nx * ny)
    throw std::invalid_argument("BBTGEN: field work arrays shorter than the node count");
  GRADXY(run.nodes.PSI, EXW, EYW, mesh);

  const BANDBAND& b = run.bandband;
  const NodeArrays& a = run.nodes;
  ModelArrays& m = run.models;
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t k = j * nx + i;
      const double ex = node_component(EXW, k, i, nx, 1);
      const double ey = node_component(EYW, k, j, ny, nx);
      const double e = std::sqrt(ex * ex + ey * ey + 1e-50);  // floor keeps -BBE/E finite
      const double x = density_factor(a.ELEC[k], a.HOLE[k], a.NIE[k]);
      if (mode == 1) {
        m.GBB[k] = local_rate(b, e);
        m.CBB[k] = 0.0;
      } else {
        const double c = phonon_assisted_coefficient(b, e, x);
        m.CBB[k] = c;
        m.GBB[k] = -c * x;
      }
      m.XBB[k] = x;
    }
}

}  // namespace devora
