#include "process/process_setup.hpp"

#include <algorithm>
#include <string>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "process/mesh.hpp"

namespace tavik {

void build_mesh(ProcessRun& run) {
  const MeshValues& m = run.mesh_values;
  MESHSET(run.mesh, m.NX, m.NY, run.solcon.IT);
  MESHGEN(run.mesh, m.IM, m.AX, m.AY, m.XX, m.YY);
}

void require_mesh(const ProcessRun& run, int k) {
  if (run.mesh.allocated) return;
  sim::ERRSTOP(" MESH statement must come before " +
               std::string(sim::rtrim(run.table.keywords[k - 1])));
}

void fill_substrate(ProcessRun& run) {
  std::fill(run.mesh.CPHOS.begin(), run.mesh.CPHOS.end(), run.substrate.P);
  std::fill(run.mesh.CBOR.begin(), run.mesh.CBOR.end(), run.substrate.B);
  std::fill(run.mesh.CARS.begin(), run.mesh.CARS.end(), run.substrate.As);
}

}  // namespace tavik
