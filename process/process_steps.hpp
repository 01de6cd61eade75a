#pragma once
// The process statements (implants, depositions, oxidation, epitaxy,
// anneal): each reads its values, prints its step title with the step
// comment, runs its step and ends with the common tail that fills the nodes
// above the silicon surface and rewrites the doping file.
#include <span>
#include <string>
#include <string_view>

#include "process/process_state.hpp"

namespace tavik {

// Runs process statement k whose list has been read into run.params.
void run_process_statement(ProcessRun& run, int k);

// "Phosphorus implant: " ... "Inert annealing: " ("" for other statements).
std::string_view step_title(int k);

// The console line of a step: its title and the first 60 characters of the
// step comment (80 characters, blank padded).
std::string step_title_line(int k, std::string_view comment);

// Nodes (i, 1) .. (i, m-1) above the surface row m = ISURF(i) >= 2 take the
// three concentrations of the surface node (i, m).
void FILLSURF(int NX, int NY, std::span<float> CPHOS, std::span<float> CBOR,
              std::span<float> CARS, std::span<const int> ISURF);

// The tail after every process statement: FILLSURF, the run header, the
// doping file (OUTSTEP). False when the file was left as it was because a
// concentration in cm-3 would not be a finite number.
bool common_tail(ProcessRun& run);

}  // namespace tavik
