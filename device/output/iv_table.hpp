#pragma once
// The I-V table file (base name + ".2D"): per I-V curve a table of the
// electrode voltages and currents at every bias point, and a table of the
// transconductances between neighbouring points with the differential
// resistance of the ramped electrode, as column tables for plotting tools.
#include "device/run_state.hpp"

namespace devora {

// Rewrites the I-V table file (the third file name, without its trailing
// blanks) with the tables of curves 1..curves, through a temporary file and
// a rename, so the file is complete after every curve. The result entries
// are taken in order over the curves: curve m uses the next NPNT(m) entries
// for its I-V rows and the first NPNT(m) - 1 of them for its
// transconductance rows; a curve with no points has empty tables with row
// counts of 0. Layout per curve: a title line, a free-format line with the
// column and row counts, a header line (continued on further lines past 25
// columns) and the rows. A file that cannot be written stops the run with
// its name; so does a value that is not finite, naming it, before anything
// is written (the last file stays).
void UITAB(const DeviceRun& run, int curves);

}  // namespace devora
