#include "device/physics/output_fields.hpp"

#include "device/physics/gradient.hpp"
#include "device/physics/quasi_fermi.hpp"

namespace devora {

void derive_output_fields(DeviceRun& run) {
  ModelArrays& m = run.models;
  const NodeArrays& a = run.nodes;
  GRADXY(a.PSI, m.GXPSI, m.GYPSI, run.mesh);
  QFERMI(run);
  const double h = run.comcon.EG / 2.0;
  for (std::size_t k = 0; k < a.PSI.size(); ++k) {
    m.EC[k] = h - a.PSI[k] - a.LNIE[k];
    m.EMID[k] = -a.PSI[k];
    m.EV[k] = -a.PSI[k] - h + a.LNIE[k];
  }
}

}  // namespace devora
