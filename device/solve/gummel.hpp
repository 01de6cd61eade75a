#pragma once
// The Gummel iteration: one bias point of the drift-diffusion equations,
// solved by decoupled Poisson and continuity steps until the convergence
// ladder is met, the iteration limit is reached or avalanche breakdown
// stops it.
#include "device/run_state.hpp"

namespace devora {

// Solves the point at the contact voltages of ELECTAB VCON (and the contact
// values the caller has put into PSI, ELEC and HOLE). tolg, in VT, is the
// residual that ends the point after three iterations (0 asks for the tight
// rungs only). On return the solution, the currents CURN, CURP, CURT, the
// output arrays and the solution file hold the point; COMCTRL GSTAT holds
// 0 (converged), 1 (iteration limit) or 2 (avalanche stop); ITGUM holds
// RES = 100 and IT = 0. A solution that is not finite stops the run.
void GUMMEL(DeviceRun& run, double tolg);

// The first of the potential, the electron density and the hole density
// that holds a NaN or an infinity, by that name; nullptr when all are finite.
const char* non_finite_solution(const NodeArrays& nodes);

}  // namespace devora
