#pragma once
// The doping file of the process simulator: after every process step the
// three dopant fields become donor and acceptor concentrations (and, once an
// oxidation has moved the silicon surface, the same fields shifted so that
// the surface lies on the top mesh line) and are written as a DOP3D file of
// nine blocks.
//
// Arrays are 0-based: node (i, j) of the mesh (column i, row j, both from 1)
// is index (i-1) + (j-1)*NX. Surface rows in `js` are row numbers (from 1).
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "common/console.hpp"
#include "common/dop3d.hpp"

namespace tavik {

// The dopants in the internal unit of 1e20 cm-3.
struct DopantFields {
  std::span<const float> phosphorus;
  std::span<const float> boron;
  std::span<const float> arsenic;
};

// Donor and acceptor concentrations in cm-3, as found and interpolated.
struct CarrierDopingView {
  std::span<const float> donor;
  std::span<const float> acceptor;
  std::span<const float> interp_donor;
  std::span<const float> interp_acceptor;
};

struct CarrierDoping {
  std::span<float> donor;
  std::span<float> acceptor;
  std::span<float> interp_donor;
  std::span<float> interp_acceptor;
  CarrierDopingView view() const { return {donor, acceptor, interp_donor, interp_acceptor}; }
};

// The mesh as the doping file needs it: coordinates in microns and the oxide
// boundary S(i) of every column.
struct ProcessMeshView {
  std::span<const float> x;
  std::span<const float> y;
  std::span<const float> oxide_boundary;  // S, one per column
};

// The nine-block record of the doping file (title, mesh, oxide region,
// blocks); WRDOP3D writes exactly this.
sim::Dop3d doping_file_record(std::string_view title, const ProcessMeshView& mesh,
                              const DopantFields& dopants, const CarrierDopingView& doping);

// Rewrites the doping file with the record above; the file on disk is
// always complete. Stops at once with " Number of nodes is too large, not
// enough memory" when the node mask cannot be allocated; write failures stop
// through ERRSTOP.
void WRDOP3D(const std::filesystem::path& file, std::string_view title, const ProcessMeshView& mesh,
             const DopantFields& dopants, const CarrierDopingView& doping);

// The doping profile C of every column, read from the silicon surface
// (surface row js(i), surface depth y0(i)) downwards and laid onto the mesh
// from the top row: the silicon surface of every column moves to y(1).
// Between profile points the logarithm of the concentration is interpolated
// linearly in depth; where either end is not positive the result is 0.
void INTPDOP(int NX, int NY, std::span<const float> y, std::span<const float> C,
             std::span<float> out, std::span<const float> y0, const std::vector<int>& js);

// Step output after a process step: donor and acceptor in cm-3, the
// interpolated fields (copies until the first oxidation, then INTPDOP of the
// dopants), the doping file, and the pause when IB (SOLVE pause setting) is
// 0. `oxidation_count` counts the oxidation statements with a non-zero flag
// so far; `interpolation_state` is 0 at the start of a run and becomes 2 at
// the first step with a non-zero count, for good.
// Returns false, with the file left as it was and no pause, when a value of
// the record would not be a finite number (concentrations in units of 1e20
// that overflow once scaled to cm-3).
bool OUTSTEP(const std::filesystem::path& file, int IB, int oxidation_count,
             int& interpolation_state, const ProcessMeshView& mesh, const DopantFields& dopants,
             std::string_view title, const CarrierDoping& doping, std::span<const float> y0,
             const std::vector<int>& js, sim::Console& console);

}  // namespace tavik
