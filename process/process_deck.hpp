#pragma once
// The branches of the process deck's statements: reading a statement's
// NAME=value list, and taking its values into the run (defaults, kept and
// reset values, clamps and unit conversions), all in 4-byte reals.
#include <string_view>

#include "common/deck_reader.hpp"
#include "process/process_state.hpp"

namespace tavik {

// Dispatches statement k (its keyword has just been read): reads its list,
// takes its values and, for MESH, SUBS and the process statements, acts on
// the mesh.
void run_statement_branch(ProcessRun& run, sim::DeckReader& reader, int k);

// Clears the 14 given flags and values and reads the list of statement k.
void read_parameters(ProcessRun& run, sim::DeckReader& reader, int k);

// BAND, DIFF, OED, DROX, WEOX, LOCO, SEGR, SOLVE, COMM: stores the given values.
void store_model_statement(ProcessRun& run, int k);

// MESH: NX, NY, IM truncated; AX and AY floored at 1e-5.
void take_mesh_values(ProcessRun& run);

// SUBS: backgrounds reset to CO, given concentrations / 1e20, OR truncated.
void take_substrate_values(ProcessRun& run);

// What a process statement's step does once its values are taken.
struct StepPlan {
  int dopant = 0;             // implant or deposition: dopant code
  bool implant = false;       // PHIM, BOIM, ASIM
  bool deposition = false;    // PHDE, BODE, ASDE
  bool thermal = false;       // the thermal step runs
  bool grow_layer = false;    // EPIT with TH > 0
  float T = 0.0f;             // temperature of the thermal step, kelvin
};

// Takes the values of process statement k (PHIM ... ANNE) and decides its
// step.
StepPlan take_step_values(ProcessRun& run, int k);

// True for the statements that print a title and end with the common tail.
bool is_process_statement(int k);

// Concentration in cm-3 to the internal unit of 1e20 cm-3.
inline float internal_concentration(float per_cm3) { return per_cm3 / 1e20f; }

}  // namespace tavik
