#include "device/deck/deck.hpp"

#include <climits>
#include <cstdint>

#include "common/fatal_stop.hpp"
#include "device/deck/list_statements.hpp"
#include "device/deck/store_statements.hpp"
#include "device/deck/tables.hpp"

namespace devora {

namespace {

// A mesh needs two lines along each axis (the spacings are differences of
// neighbouring lines), and its node count must be an integer of the run.
void check_mesh_counts(const IGRID& g) {
  if (g.NX < 2 || g.NY < 2)
    sim::ERRSTOP(" MESH: NX and NY must be at least 2 (NX = " + std::to_string(g.NX) +
                 ", NY = " + std::to_string(g.NY) + ")");
  if (static_cast<std::int64_t>(g.NX) * g.NY > INT_MAX)
    sim::ERRSTOP(" MESH: NX*NY = " + std::to_string(static_cast<std::int64_t>(g.NX) * g.NY) +
                 " nodes is more than a run can hold");
}

// The program has no stored solution to start from: it always computes the
// mesh, the doping and the equilibrium guess itself.
void check_solution_source(const IGRID& g) {
  if (g.READ == 1)
    sim::ERRSTOP(" SOLV: READ=1 asks for a stored solution, which this program cannot load");
}

}  // namespace

void run_statement_branch(DeviceRun& run, sim::DeckReader& reader, int k) {
  switch (k) {
    case kDOPA:
    case kDOPF:
    case kPHOT:
    case kPHOF: read_box_list(run, reader, k); return;
    case kOHMI:
    case kSCHO:
    case kGATE: read_electrode_list(run, reader, k); return;
    case kIVDA: read_curve_list(run, reader, k); return;
    case kOXID: read_oxide_list(run, reader, k); return;
    case kRCMR: read_recombination_list(run, reader, k); return;
    case kREME: read_remesh_list(run, reader, k); return;
    case kLSRC: read_light_source_list(run, reader, k); return;
    default: run_store_statement(run, reader, k); return;
  }
}

void complete_deck(DeviceRun& run) {
  check_mesh_counts(run.igrid);
  check_solution_source(run.igrid);
  size_light_source_work_table(run);
}

}  // namespace devora
