#pragma once
// Steady-state continuity equation of one carrier at fixed potential:
// Scharfetter-Gummel discretisation on the five-point stencil with
// recombination, generation, surface recombination and contact rows, solved
// in place on the carrier density by ZEDERM2; then the edge current
// densities. The equation is always written in the electron form: the
// caller hands holes the potential with reversed sign.
#include <ostream>
#include <span>

#include "device/run_state.hpp"

namespace devora {

// Solves the continuity equation of carrier k for run.nodes.ELEC (electrons)
// or run.nodes.HOLE (holes), in place. phi is the potential the carrier
// sees, one entry per node: PSI + LNIE for electrons, LNIE - PSI for holes
// (it may be run.nodes.PSI itself, formed in place by the caller). tol is
// the linear solver's tolerance. Fills the Bernoulli factors and edge
// conductances (run.work BX BY MUX MUY), the rates RSRH RAUG RRAD at
// semiconductor nodes (0 in oxide) and the carrier's current densities.
// With MODE ELHL selecting the other carrier only, the carrier's current
// densities are set to 0 and its density is left alone.
void CONTEQ(DeviceRun& run, Carrier k, std::span<const double> phi, double tol);

// Edge current densities of carrier k from its density, phi and the
// factors CONTEQ left in run.work: JX/JY and their diffusion and drift parts
// in run.models.carrier[k]. The last column copies its x values from the
// column before, the last row its y values from the row before.
void CONTCOF(DeviceRun& run, Carrier k, std::span<const double> phi);

// Replaces every density at or below 0 in A and B by 1e-99 and returns how
// many were replaced; a non-zero count is reported on one console line.
int NEGDEN(std::span<double> A, std::span<double> B, std::ostream& out);

// The same for one density array.
int NEGDEN1(std::span<double> A, std::ostream& out);

}  // namespace devora
