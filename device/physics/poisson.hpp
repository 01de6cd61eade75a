#pragma once
// Nonlinear Poisson equation for the electrostatic potential: damped Newton
// steps on the five-point stencil, each linear system solved by ZEDERM.
#include <span>

#include "device/run_state.hpp"

namespace devora {

// Newton controls chosen by the caller.
struct PoissonControls {
  double TOLN = 0.0;  // stop when the largest raw potential update is at most TOLN
  int MAXN = 1;       // Newton step limit
  int ICONT = 0;      // 0: one step, carriers untouched; else carriers follow the potential
};

// Solves for PSI (and, with ICONT != 0, moves ELEC and HOLE along with it at
// fixed quasi-Fermi levels), then refreshes NIE and LNIE. ITGUM RES becomes
// the magnitude of the first raw update of this call; an update that is not
// finite makes RES not finite and ends the Newton steps.
void POISSON(DeviceRun& run, const PoissonControls& controls);

// Damped update of PSI towards the solution PNEW of the linear step: a raw
// update d is applied as d up to 9, as 3 sqrt|d| up to 25 and as 15 + ln(|d|/25)
// beyond (with the sign of d). On return PNEW holds the previous PSI. With
// icont != 0 the densities follow the potential outside insulators
// (densities at or below 1e-300 are left alone). Returns the raw update of
// largest magnitude (the first among equals); a NaN update is returned as NaN.
double PSIDAMP(DeviceRun& run, std::span<double> pnew, int icont);

// The damping of one raw update.
double damped_update(double d);

}  // namespace devora
