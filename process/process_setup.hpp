#pragma once
// The statements that set up the wafer before the process steps: the mesh
// (MESH) and the substrate doping (SUBS).
#include "process/process_state.hpp"

namespace tavik {

// Allocates and builds the mesh from the MESH values (once per run).
void build_mesh(ProcessRun& run);

// Statements that work on the mesh stop when no MESH statement came first.
void require_mesh(const ProcessRun& run, int k);

// Every node of the three concentration arrays := the backgrounds.
void fill_substrate(ProcessRun& run);

}  // namespace tavik
