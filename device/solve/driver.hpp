#pragma once
// The solution driver: from equilibrium to the first bias point of a curve.
#include <cstddef>

#include "device/run_state.hpp"

namespace devora {

// Zero-bias Poisson solution; on the first curve of a run with a generated
// mesh the regridding passes, the generation integral and the solution
// file; the optical generation; then all contact voltages ramped together
// from 0 to the start voltages of curve c (0-based) in equal steps of at
// most 1 V, each a continuation guess and a Gummel solution.
void UINIT(DeviceRun& run, std::size_t c);

}  // namespace devora
