#pragma once
// The solution file: the mesh, the electrode and oxide outlines and 36
// labelled node fields of the current solution, in physical units, as one
// field-file record (base name + ".3D").
#include <string>

#include "common/dop3d.hpp"
#include "device/run_state.hpp"

namespace devora {

// The record WRSOLN writes: coordinates in microns; one region per outline
// (codes 0 and 15, its points, then the same points as one four-point
// cell); 36 blocks, each with the pair (22, 15) per region, an all-"T"
// mask and its values scaled out of the internal units.
sim::Dop3d solution_record(const DeviceRun& run, const std::string& title);

// Rewrites the solution file (its record and bytes built in run.output,
// whose storage is kept from one write to the next) (the first file name, without its trailing
// blanks) through a temporary file, so a stop half way keeps the previous
// solution. A record too large for memory stops the run at once with
// " Number of nodes is too large, not enough memory".
void WRSOLN(DeviceRun& run, const std::string& title);

// The solution file of the present solution: the derived output fields,
// the run header as title, WRSOLN (its time counted as a file write).
void write_solution(DeviceRun& run);

}  // namespace devora
