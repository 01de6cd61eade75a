#include "device/physics/impact_ionisation.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "device/physics/gradient.hpp"
#include "device/setup/regions.hpp"

namespace devora {

namespace {

constexpr double kCurrentFloor = 1e-99;   // keeps |J| and E defined at zero current
constexpr double kFieldFloor = 1e-20;     // fields against the current ionise nothing
constexpr double kRateFloor = 1e-200;     // smallest rate kept at a node
// Area guard of the mean rate, the 4-byte 1e-10 (1.000000013351432e-10).
constexpr double kAreaGuard = static_cast<double>(1e-10f);

// Mean of an edge quantity over the two edges that meet at an interior
// node; 0 on the border lines, where one edge is missing.
double interior_mean(std::span<const double> edge, std::size_t n, std::size_t i, std::size_t count,
                     std::size_t stride) {
  if (i == 0 || i + 1 >= count) return 0.0;
  return (edge[n - stride] + edge[n]) / 2.0;
}

bool in_oxide(const DeviceRun& run, std::size_t i, std::size_t j) {
  return REGVAL(run.oxide, run.mesh.X[i], run.mesh.Y[j], 0.0) == 0.0;
}

void require_node_sized(std::span<const double> a, std::span<const double> b, const MeshArrays& mesh,
                        const char* routine) {
  const std::size_t nodes = mesh.X.size() * mesh.Y.size();
  if (a.size() < nodes || b.size() < nodes)
    throw std::invalid_argument(std::string(routine) + ": gradient arrays shorter than the node count");
}

// Area-weighted mean of GII over the nodes above the generation floor,
// summed column by column.
double mean_generation(const DeviceRun& run) {
  const MeshArrays& mesh = run.mesh;
  const std::size_t nx = mesh.X.size(), ny = mesh.Y.size();
  double area = 0.0, generation = 0.0;
  for (std::size_t i = 0; i < nx; ++i)
    for (std::size_t j = 0; j < ny; ++j) {
      const double g = run.models.GII[j * nx + i];
      if (g > run.comctrl.GMIN) {
        const double a = mesh.WX[i] * mesh.WY[j];
        area += a;
        generation += a * g;
      }
    }
  return generation / (area + kAreaGuard * mesh.WX[0] * mesh.WY[0]);
}

}  // namespace

IonisationPair IONRANGE(double E, const IonisationSet& s) {
  if (s.E0 <= E && E < s.E1) return {s.A1, s.B1};
  if (s.E1 <= E && E < s.E2) return {s.A2, s.B2};
  if (E < s.E2) return {s.A0, s.B0};
  return {s.A3, s.B3};
}

void IONCOEF(DeviceRun& run, Carrier k, std::span<const double> GX, std::span<const double> GY) {
  const MeshArrays& mesh = run.mesh;
  require_node_sized(GX, GY, mesh, "IONCOEF");
  const std::size_t nx = mesh.X.size(), ny = mesh.Y.size();
  const IonisationSet& set = run.avln[k];
  CarrierArrays& c = run.models.carrier[k];
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      const double jx = interior_mean(c.JX, n, i, nx, 1);
      const double gx = interior_mean(GX, n, i, nx, 1);
      const double jy = interior_mean(c.JY, n, j, ny, nx);
      const double gy = interior_mean(GY, n, j, ny, nx);
      const double jm = std::sqrt(jx * jx + jy * jy + kCurrentFloor);
      // Field along the current: minus the potential gradient projected on J.
      const double e = std::max(-(jx * gx + jy * gy) / (kCurrentFloor + jm), kFieldFloor);
      const IonisationPair pair = IONRANGE(e, set);
      const double alpha = pair.A * std::exp(-pair.B / e);
      const double rate = jm * alpha;
      c.GI[n] = rate <= kRateFloor ? kRateFloor : rate;
      c.AIX[n] = alpha * jx / jm * 0.5;
      c.AIY[n] = alpha * jy / jm * 0.5;
      if (!in_oxide(run, i, j)) run.models.GII[n] += c.GI[n];
    }
}

double IMPION(DeviceRun& run, std::span<double> GXW, std::span<double> GYW) {
  require_node_sized(GXW, GYW, run.mesh, "IMPION");
  std::fill(run.models.GII.begin(), run.models.GII.end(), 0.0);
  // Both carriers are driven by the electrostatic potential gradient; it is
  // computed once, as nothing changes PSI between the two carriers.
  GRADXY(run.nodes.PSI, GXW, GYW, run.mesh);
  IONCOEF(run, Carrier::electrons, GXW, GYW);
  IONCOEF(run, Carrier::holes, GXW, GYW);
  return mean_generation(run);
}

}  // namespace devora
