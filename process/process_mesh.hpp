#pragma once
// The process mesh: a rectangular tensor mesh of the cross-section, x along
// the wafer surface, y into the wafer, lengths in microns, 4-byte reals.
// Node (i, j) (1-based column i, row j) is element (i-1) + (j-1)*NX of every
// node array (x fastest, the order of the five-diagonal system).
#include <vector>

namespace tavik {

struct ProcessMesh {
  int NX = 0, NY = 0, NN = 0;
  bool allocated = false;

  // Columns (NX entries).
  std::vector<float> X;      // x coordinates
  std::vector<float> rhx;    // 1/(X(i+1)-X(i)), last entry 0
  std::vector<float> wx;     // x control widths
  std::vector<float> S;      // oxide boundary (oxide thickness) per column
  std::vector<float> YSURF;  // y of the silicon surface per column
  std::vector<int> ISURF;    // row of the first silicon node per column (1-based)
  int JSMAX = 1;             // deepest surface row over all columns

  // Rows (NY entries).
  std::vector<float> Y;      // y coordinates
  std::vector<float> rhy;    // 1/(Y(j+1)-Y(j)), last entry 0
  std::vector<float> wy;     // y control widths

  // Geometric couplings of the five-point stencil (NN entries).
  std::vector<float> cdown, cup, cleft, cright;

  // Concentrations in units of 1e20 cm-3 (NN entries).
  std::vector<float> CPHOS, CBOR, CARS;
};

}  // namespace tavik
