#pragma once
// Set-up of the process mesh: allocation of all arrays of the run (MESHSET)
// and the geometry of the tensor mesh (MESHGEN).
#include "process/process_mesh.hpp"

namespace tavik {

// Allocates every array of the mesh once per run and clears it: all entries
// 0, the surface rows (ISURF and its copies) 1, JSMAX 1. The linear solver's
// residual history gets residual_history_length(IT) entries. A second call,
// an allocation that fails or a node count beyond the integer range stops at
// once with " Number of nodes is too large, not enough memory"; NX or NY
// below 2 stops with a message.
void MESHSET(ProcessMesh& mesh, int NX, int NY, int IT);

// Entries of the residual history the linear solver can fill with the
// iteration limit IT: it runs at least 2 iterations and never more than its
// own cap, whatever IT says, so a huge IT costs no memory.
int residual_history_length(int IT);

// Coordinates, control widths, inverse spacings and the four geometric
// couplings. IM > 0: uniform lines; IM <= 0: each axis whose grading
// parameter (AX, AY) exceeds 0.01 has spacings growing geometrically by the
// factor exp(A/(N-1)), finest at x = 0 and at the top. XX and YY must be
// positive and the mesh lines distinct, or the run stops with a message.
void MESHGEN(ProcessMesh& mesh, int IM, float AX, float AY, float XX, float YY);

}  // namespace tavik
