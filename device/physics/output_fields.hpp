#pragma once
// Fields derived from the solution for output: the potential gradient, the
// quasi-Fermi potentials and space charge, and the band edges.
#include "device/run_state.hpp"

namespace devora {

// GXPSI, GYPSI (GRADXY of PSI), PHIN, PHIP, RHO (QFERMI), and with h = EG/2:
// EC = h - PSI - LNIE, EMID = -PSI, EV = -PSI - h + LNIE.
void derive_output_fields(DeviceRun& run);

}  // namespace devora
