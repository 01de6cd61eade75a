#pragma once
// Doping set-up: the doping of the device on the current mesh and what the
// solvers need from it.
#include "device/run_state.hpp"

namespace devora {

// Fills NETD, TOTD, QINT, NIE and LNIE from the doping boxes (box mode) or
// the doping field file (DOPN), then the equilibrium guess PSI, ELEC, HOLE
// with its copies ELEC0, HOLE0 and the Schottky contact values. Keeps no
// state: every call starts again from the deck data and the current mesh.
void DOPSET(DeviceRun& run);

}  // namespace devora
