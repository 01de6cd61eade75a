#pragma once
// Adaptive regridding on the zero-bias solution: the mesh lines of each
// axis move (their number stays) to where the space charge is large in
// lightly doped material and where the field along the axis changes; then
// the geometry, the doping and the potential are recomputed on them.
#include <span>
#include <vector>

#include "device/run_state.hpp"

namespace devora {

enum class Axis { x = 1, y = 2 };

// An axis needs an inner cell beside each end cell to carry a density.
inline constexpr int kFewestRegriddedLines = 4;

// Lines of an axis of n lines that are spread uniformly (KU); the other
// n - 2 - KU follow the solution: n (0.7 (1 - e) + 0.05 e) with e = exp(-n/70),
// truncated (0.7 being the 4-byte real).
int uniform_line_count(int n);

// New lines of one axis, from 0 to the axis's old length: a line density
// from the solution along the axis (gradient: the node gradient of PSI
// along it), mixed with a uniform part, the REME windows and oxide regions
// added, then smoothed and relaxed towards the old line density until
// neighbouring spacings differ by at most SOLV SMTH (at most 101 cycles).
// Writes " Remesh X Starts" (or Y) and replaces "HEAT.2AS" with the axis's
// density functions. Without a usable solution density (the potential flat
// along the axis to within the solver residue of 1e-6 VT per cell, or a
// density integral that is not positive and finite) the old line density
// stands in for it; with no window adding lines the old lines are then kept
// as they are (shifted to start at 0). They are kept too when the placement
// gives no finite, strictly increasing lines. An axis of fewer than 4 lines
// is returned unchanged, without console line or file.
std::vector<double> REMAXIS(const DeviceRun& run, Axis axis, std::span<const double> gradient);

// One regridding pass: by the MESH flag (2 both axes, 3 only x, 4 only y,
// any other value none) new lines for the axes, then MESHGEO, DOPSET and
// POISSON (TOLN 1e-5, MAXN 10, carriers following) from the equilibrium
// guess on the new mesh. NX and NY stay. Stops when SOLV SMTH <= 1 and an
// axis is to be regridded; an allocation failure stops at once.
void REMESH(DeviceRun& run);

}  // namespace devora
