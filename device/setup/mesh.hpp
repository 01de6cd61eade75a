#pragma once
// Mesh set-up after the deck and the scaling: the mesh lines are read from
// the mesh file (MESH flag 1) or generated (any other flag), then the
// geometry is derived from them.
#include "device/run_state.hpp"

namespace devora {

// Fills run.mesh.X and run.mesh.Y (NX and NY lines, internal length units),
// then calls MESHGEO and stops if an electrode holds no node.
//  - SOLV READ = 1: the lines already in X and Y are taken as they stand.
//  - MESH flag 1: NX then NY coordinates in microns, free format, from the
//    file run.filenames.mesh(); the y values start on the line after the
//    last x value. A missing file, a bad value, too few values or lines
//    that do not strictly increase stop the run.
//  - otherwise: x uniform over XX, y geometric over YY with first step
//    HY0 (written back to GEOM).
void RDMESH(DeviceRun& run);

}  // namespace devora
