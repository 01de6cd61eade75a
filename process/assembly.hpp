#pragma once
// Backward-Euler finite-volume assembly of one dopant's diffusion equation
// on the five-point stencil of the process mesh, with the moving silicon
// surface of an oxidation: rows above the surface are held, the surface row
// carries the partial cell, the segregation at the interface and the dose
// of the silicon consumed in the time step, and rows of the layer consumed
// since the start of the oxidation count only the silicon part of their
// lateral faces.
//
// All arrays are 0-based: node (i, j) (column i, row j, both from 1) is
// index (i-1) + (j-1)*NX. Surface rows (js, jso, JSMAX) are row numbers.
#include <span>

#include "process/coefficients.hpp"

namespace tavik {

// Geometry of the mesh (Part of the process mesh arrays).
struct AssemblyMesh {
  int NX = 0, NY = 0;
  std::span<const float> x, rhx, wx;   // columns: coordinates, 1/hx, control widths
  std::span<const float> y, rhy, wy;   // rows
  std::span<const float> E, F, G, H;   // couplings down, up, left, right (per node)
};

// Surface of every column after (y0, js) and before (y0o, jso) the
// oxidation of this time step, and the deepest surface row.
struct SurfaceState {
  std::span<const float> y0, y0o;
  std::span<const int> js, jso;
  int JSMAX = 1;
};

// The dopant solved for and the two others (in the order of DOPSEL), each
// at its current value and at the start of the time step.
struct DopantLevels {
  std::span<const float> C, C_old;
  std::span<const float> O1, O1_old;
  std::span<const float> O2, O2_old;
};

// The five-diagonal system written by the assembly (couplings stored as
// the negated matrix entries) and its right-hand side.
struct DiffusionSystem {
  std::span<float> CMNX, CPNX, CM1, CP1, C0, R;
};

// Per-column store of the last south face computed (NX entries each).
struct SouthFaceStore {
  std::span<float> Dc, Dx;
};

// Assembles the system of the dopant selected in `p` for the time step dt.
// XD is its surface-source window (0: none), L the OED factor per node.
void ASSEMB(const AssemblyMesh& mesh, const SurfaceState& surface, const DopantLevels& c,
            float XD, float dt, const DopantParams& p, std::span<const float> L,
            const DiffusionSystem& sys, const SouthFaceStore& south);

// Transport factor of the dopant across the moving interface of column i.
float transport_factor(const DopantParams& p, float dt, float y0, float y0o);

// Dose of the silicon consumed in column i during the time step (the new
// surface row j = js(i)), times g * wx(i) * f.
float MATRXC(const AssemblyMesh& mesh, const SurfaceState& surface, std::span<const float> C_old,
             int i, float g, float f);

}  // namespace tavik
