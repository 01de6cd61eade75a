#pragma once
// Geometry derived from the mesh lines: spacings and control widths per
// axis, the electrodes on the top and bottom node of every column, the
// columns each electrode covers, and the outlines of the electrodes and
// oxide regions that the solution file carries.
#include <span>
#include <string_view>

#include "device/run_state.hpp"

namespace devora {

// One axis: h(i) = 1/(c(i+1) - c(i)) with h(n) = 0, and the control widths
// w(1) = (c(2) - c(1))/2, w(i) = (c(i+1) - c(i-1))/2, w(n) = (c(n) - c(n-1))/2.
// h and w hold c.size() entries.
void MESHDX(std::span<const double> c, std::span<double> h, std::span<double> w);

// Rebuilds everything that follows from run.mesh.X and run.mesh.Y (NX and
// NY entries, strictly increasing): HX, WX, HY, WY, XX = X(NX), YY = Y(NY),
// ETOP, EBOT, the region outlines REGOUT and the electrodes' EFIRST and
// ELAST (1-based columns; an electrode that holds no column keeps both).
// Called after every mesh set-up and after each regridding pass. Stops
// naming the lines when a spacing's square is not a normal 8-byte real.
void MESHGEO(DeviceRun& run);

// An electrode without a node has no boundary condition and no current:
// stops naming it and its window when one holds no node (its window misses
// every mesh line, or later electrodes took all its nodes). `when` follows
// "holds no mesh node" in the message (" after regridding"). Checked on the
// mesh as set up and after the last regridding pass: a pass in between may
// lose a narrow electrode's line and the next one bring it back.
void check_electrodes_hold_nodes(const DeviceRun& run, std::string_view when);

}  // namespace devora
