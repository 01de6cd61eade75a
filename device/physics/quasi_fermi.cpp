#include "device/physics/quasi_fermi.hpp"

#include <cmath>

#include "device/setup/regions.hpp"

namespace devora {

void QFERMI(DeviceRun& run) {
  const MeshArrays& m = run.mesh;
  const NodeArrays& a = run.nodes;
  ModelArrays& out = run.models;
  std::vector<double>& phin = out.carrier.n.PHI;
  std::vector<double>& phip = out.carrier.p.PHI;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      const bool semiconductor = REGVAL(run.oxide, m.X[i], m.Y[j], 0.0) != 0.0;
      phin[n] = semiconductor ? a.PSI[n] - std::log(a.ELEC[n] / a.NIE[n]) : 0.0;
      phip[n] = semiconductor ? a.PSI[n] + std::log(a.HOLE[n] / a.NIE[n]) : 0.0;
      out.RHO[n] = a.HOLE[n] - a.ELEC[n] + a.NETD[n];
    }
}

}  // namespace devora
