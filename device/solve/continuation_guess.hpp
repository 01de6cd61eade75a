#pragma once
// Initial guesses for the next bias point: the response of the potential to
// a change of the contact voltages, and the extrapolation from the two
// previous points of a sweep.
#include <span>
#include <vector>

#include "device/run_state.hpp"

namespace devora {

// Moves PSI by the solution of a conduction problem whose contacts carry
// the voltage increments dv (VT, one per electrode; gate rows float), and
// advances ELECTAB VCON by dv. With ELHL 1 or 2 the carrier that the
// continuity equations do not solve follows the potential at a fixed
// quasi-Fermi level. Increments of 5100 V or more are split into equal
// sub-steps. Without a contact row to fix the potential nothing is solved.
void CONTGUESS(DeviceRun& run, std::span<const double> dv);

// Solutions and contact voltages of the point before the last (old) and of
// the last point (cur) of a sweep.
struct SweepHistory {
  std::vector<double> PSI_OLD, ELEC_OLD, HOLE_OLD;
  std::vector<double> PSI_CUR, ELEC_CUR, HOLE_CUR;
  std::vector<double> V_OLD, V_CUR;
};

// Extrapolates the next point from the two previous ones: the potential
// linearly, the densities linearly in their logarithms, by the step ratio
// of the electrode with the largest increment; VCON := V_CUR + dv. When that
// electrode's voltage did not change (or no increment is set), the guess is
// the last point itself.
void CONSTE(DeviceRun& run, const SweepHistory& h, std::span<const double> dv);

}  // namespace devora
