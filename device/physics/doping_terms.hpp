#pragma once
// The model terms that depend on the mesh and the doping alone, evaluated
// once per doping set-up instead of in every continuity solve.
#include "device/run_state.hpp"

namespace devora {

// Brings run.doping_terms up to the present doping (a no-op when they
// belong to it already): the LOMB doping terms of every edge when that
// model is selected, and the SRH lifetimes of every node.
void update_doping_terms(DeviceRun& run);

}  // namespace devora
