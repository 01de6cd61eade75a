#pragma once
// Effective intrinsic density: the intrinsic density at the lattice
// temperature, narrowed band gap in heavily doped silicon, and the quantum
// correction under a gate.
#include <span>

#include "device/run_state.hpp"

namespace devora {

// Intrinsic density at TEMP in units of NI.
double intrinsic_density(const DeviceRun& run);

// Half the band-gap shrinkage, in VT, at total doping `total` (units of NI):
// (VOBG/2)(L + sqrt(L^2 + CNSB)) with L = ln((|total| + 1e-20)/CONB); 0
// with the narrowing switched off.
double band_gap_narrowing(const DeviceRun& run, double total);

// 1/cosh((a/b)^2), formed as 2 e^-u/(1 + e^-2u). A distance a of 0 gives 1
// also for b = 0.
double SQRAT(double a, double b);

// NIE and LNIE at every node from TOTD and, with the quantum correction on,
// from the surface fields under top and bottom gates. w1 and w2 are work
// arrays of at least NX entries.
void NIEFF(DeviceRun& run, std::span<double> w1, std::span<double> w2);

}  // namespace devora
