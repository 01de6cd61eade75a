#pragma once
// Recombination of one node: Shockley-Read-Hall with doping-dependent
// lifetimes and with the lifetimes of recombination regions, Auger and
// radiative recombination. Densities in NI, lengths and times in internal
// units.
#include "device/run_state.hpp"

namespace devora {

// The recombination factor F of a node and the three rates, so that the net
// recombination rate is F (n p - n_i^2) = rrad + raug + rsrh.
struct Recombination {
  double F = 0.0;     // sum of the radiative, Auger and SRH factors
  double rrad = 0.0;  // radiative rate
  double raug = 0.0;  // Auger rate
  double rsrh = 0.0;  // SRH rate, bulk and region
};

// Recombination at the node (x, y) with electron and hole densities n and p,
// total doping n_total and effective intrinsic density n_i. The rates are
// the same for both carriers' equations.
Recombination RECRAT(const DeviceRun& run, double x, double y, double n, double p, double n_total, double n_i);

// The doping-dependent SRH lifetimes of both carriers at total doping
// n_total, and RECRAT from them (the same values bit for bit), so that a
// caller can keep the lifetimes per node.
struct Lifetimes {
  double tau_n = 0.0;
  double tau_p = 0.0;
};
Lifetimes doping_lifetimes(const RECOMB& rc, double n_total);
Recombination RECRAT(const DeviceRun& run, double x, double y, double n, double p, double n_i,
                     const Lifetimes& lifetimes);

}  // namespace devora
