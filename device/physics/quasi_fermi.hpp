#pragma once
// Quasi-Fermi potentials and space charge, for output.
#include "device/run_state.hpp"

namespace devora {

// PHIN = PSI - ln(ELEC/NIE) and PHIP = PSI + ln(HOLE/NIE) in semiconductor
// nodes, 0 inside insulator regions (no logarithm is taken there); RHO =
// HOLE - ELEC + NETD at every node.
void QFERMI(DeviceRun& run);

}  // namespace devora
