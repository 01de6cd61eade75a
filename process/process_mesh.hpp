#pragma once
// The process mesh: a rectangular tensor mesh of the cross-section, x along
// the wafer surface, y into the wafer, lengths in microns, 4-byte reals.
// Node (i, j) (1-based column i, row j) is element (i-1) + (j-1)*NX of every
// node array (x fastest, the order of the five-diagonal system).
//
// Every array of the run lives here: MESHSET allocates them once (all zero,
// the surface rows 1) and MESHGEN fills the geometry.
#include <cstddef>
#include <vector>

namespace tavik {

struct ProcessMesh {
  int NX = 0, NY = 0, NN = 0;
  bool allocated = false;

  // Index of node (i, j), both 1-based.
  std::size_t node(int i, int j) const {
    return std::size_t(i - 1) + std::size_t(j - 1) * std::size_t(NX);
  }

  // ---- Columns (NX entries).
  std::vector<float> X;      // x coordinates
  std::vector<float> rhx;    // 1/(X(i+1)-X(i)), last entry 0
  std::vector<float> wx;     // x control widths
  std::vector<float> S;      // oxide boundary (oxide thickness) per column
  std::vector<float> YSURF;  // y of the silicon surface per column
  std::vector<int> ISURF;    // row of the first silicon node per column (1-based)
  int JSMAX = 1;             // deepest surface row over all columns

  // Surface state of every column before the current time step of an
  // oxidation (the moving interface needs both positions).
  std::vector<int> isurf_before_step;
  std::vector<float> ysurf_before_step;
  // Surface row of every column as the last thermal step left it.
  std::vector<int> isurf_last_step;
  // South-face store of the diffusion assembly: Dc and Dx of the last face
  // computed in each column.
  std::vector<float> south_dc, south_dx;
  std::vector<float> column_work;  // spare column scratch

  // ---- Rows (NY entries).
  std::vector<float> Y;      // y coordinates
  std::vector<float> rhy;    // 1/(Y(j+1)-Y(j)), last entry 0
  std::vector<float> wy;     // y control widths
  // New column profile of the three dopants while an epitaxial layer is grown.
  std::vector<float> epi_phos, epi_bor, epi_ars;

  // ---- Column profile scratch of the doping-file interpolation (NY + 2).
  std::vector<float> profile_depth, profile_value;

  // ---- Node arrays (NN entries).
  // Geometric couplings of the five-point stencil: to n+NX, n-NX, n-1, n+1.
  std::vector<float> cdown, cup, cleft, cright;

  // Concentrations in units of 1e20 cm-3.
  std::vector<float> CPHOS, CBOR, CARS;

  // Depth profile of one column during an implant (first NY entries used).
  std::vector<float> W;

  // Step output in cm-3: donor, acceptor, the interpolated fields and the
  // interpolated arsenic scratch.
  std::vector<float> donor, acceptor, interp_donor, interp_acceptor, interp_arsenic;

  // Thermal step: dopants at the start of the time step, the previous
  // iterate, the oxidation-enhanced-diffusion factor, the five-diagonal
  // system and right-hand side, and the linear solver's work and factors.
  std::vector<float> phos_start, bor_start, ars_start;
  std::vector<float> previous_iterate;
  std::vector<float> oed_factor;
  std::vector<float> C0, CM1, CP1, CMNX, CPNX, rhs;
  std::vector<float> solve_P, solve_Q, solve_R;
  std::vector<float> LMNX, LM1, PIV, LMNX1, UPNX1, UP1;

  // ---- Linear solver residual history: as many entries as the solver can
  // record with the IT of SOLVE (grown by a thermal step after a larger IT).
  std::vector<float> residual_history;
};

}  // namespace tavik
