#pragma once
// Allocation and initialisation of the arrays whose sizes the deck fixes.
#include <span>

#include "device/run_state.hpp"

namespace devora {

// a(i) := v for i = 1..n; nothing for n < 1.
void DFILL(std::span<double> a, double v, int n);
void IFILL(std::span<int> a, int v, int n);

// Sets to zero the model arrays, the solver history and the I-V data arrays
// (empty when no IVDA statement allocated them).
void ARINIT(DeviceRun& run);

// Mesh arrays and the doping and solution node arrays, all zero; stops with
// " Not enough memory for basic arrays     " when they cannot be had.
void allocate_basic_arrays(DeviceRun& run);

// Solver iteration limit: int(1000*sqrt(M/4000)) with M = max(N, 4000).
int solver_iteration_limit(int node_count);

// Model arrays and the linear-solver storage (history of MAXPOI entries),
// all zero; stops with " Not enough memory for suppl. arrays    " when they
// cannot be had.
void allocate_supplementary_arrays(DeviceRun& run);

}  // namespace devora
