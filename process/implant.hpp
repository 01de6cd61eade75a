#pragma once
// Implantation and deposition profiles: the implanted dose of one implant
// statement added to its dopant's concentration (a Gaussian in depth from
// the tabulated moments, reduced and shifted by the oxide on top of the
// silicon, spread laterally through the mask edge with the error function),
// and the constant surface source of a deposition or of an implant with a
// source window.
#include <span>

#include "common/console.hpp"
#include "process/implant_moments.hpp"
#include "process/process_mesh.hpp"

namespace tavik {

enum class ImplantKind {
  implant,     // PHIM, BOIM, ASIM: the dose, then the source window
  deposition,  // PHDE, BODE, ASDE: the source window only
};

// The values of one implant or deposition statement. Concentrations in
// units of 1e20 cm-3, lengths in microns.
struct ImplantStep {
  ImplantKind kind = ImplantKind::implant;
  int dopant = 1;  // 1 phosphorus (CPHOS), 2 boron (CBOR), 3 arsenic (CARS)
  // Source window: > 0 the top-row nodes with x < XD, < 0 those with
  // x > |XD|, 0 none; they are set to CS. For a deposition the window after
  // its rules (1e10 for the whole surface, 0 when CS is too small).
  float XD = 0;
  float CS = 0;  // source concentration
  // Implant only:
  float XM = 0;  // mask edge: > 0 implants x < XM, < 0 implants x > |XM|, 0 no mask.
                 // A mask-free implant writes back the far edge it used.
  float DZ = 0;  // dose, cm-2
  float EN = 0;  // energy, keV
};

// Applies the step to the dopant's concentration array of the mesh. A mask-
// free implant with a non-zero source window implants nothing (source only).
// On a mesh whose surface lies below the top row somewhere (JSMAX > 1) the
// profiles are evaluated column by column, announced on the console by
// "Evaluating 2D implantation profiles". Stops with a message when no mesh
// exists or the energy gives no positive range and straggle.
void PROFIL2D(ImplantStep& step, ProcessMesh& mesh, sim::Console& console);

// Depth profile of column i (1-based) into W(1..NY), per micron: the
// silicon Gaussian shifted by the silicon-equivalent oxide thickness,
// reduced by the fraction stopped in the oxide and the fraction beyond the
// mesh depth, normalised over the silicon cells of the column. The rows
// above the silicon surface receive the same Gaussian with the same scale;
// a masked column receives 0.
void PROFSHP(int i, bool masked, const Moments& silicon, const Moments& oxide,
             const ProcessMesh& mesh, std::span<float> W);

// Constant surface source: top-row nodes inside the window XD get CS.
void surface_source(const ProcessMesh& mesh, std::span<float> C, float XD, float CS);

}  // namespace tavik
