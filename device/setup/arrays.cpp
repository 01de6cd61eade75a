#include "device/setup/arrays.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "common/fatal_stop.hpp"

namespace devora {

namespace {

std::size_t length(int n) { return static_cast<std::size_t>(std::max(n, 0)); }

// Runs an allocation; a failure stops the run with the group's message.
template <class F>
void allocate_or_stop(F allocate, std::string_view message) {
  try {
    allocate();
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(message);
  } catch (const std::length_error&) {
    sim::ERRSTOP(message);
  }
}

}  // namespace

void DFILL(std::span<double> a, double v, int n) {
  for (int i = 0; i < n && i < static_cast<int>(a.size()); ++i) a[i] = v;
}

void IFILL(std::span<int> a, int v, int n) {
  for (int i = 0; i < n && i < static_cast<int>(a.size()); ++i) a[i] = v;
}

void ARINIT(DeviceRun& run) {
  for_each_array(run.models, [](std::vector<double>& a) { DFILL(a, 0.0, static_cast<int>(a.size())); });
  std::vector<double>& history = run.solver.work.HIST;
  DFILL(history, 0.0, static_cast<int>(history.size()));
  DFILL(run.iv.IVRES, 0.0, static_cast<int>(run.iv.IVRES.size()));
  IFILL(run.iv.IVSTAT, 0, static_cast<int>(run.iv.IVSTAT.size()));
}

void allocate_basic_arrays(DeviceRun& run) {
  const std::size_t nx = length(run.igrid.NX), ny = length(run.igrid.NY), n = length(run.igrid.NNODE);
  allocate_or_stop(
      [&] {
        MeshArrays& m = run.mesh;
        for (auto* v : {&m.X, &m.HX, &m.WX}) v->assign(nx, 0.0);
        for (auto* v : {&m.Y, &m.HY, &m.WY}) v->assign(ny, 0.0);
        m.ETOP.assign(nx, 0);
        m.EBOT.assign(nx, 0);
        for_each_array(run.nodes, [n](std::vector<double>& a) { a.assign(n, 0.0); });
      },
      " Not enough memory for basic arrays     ");
}

int solver_iteration_limit(int node_count) {
  const int m = std::max(node_count, 4000);
  return static_cast<int>(1000.0 * std::sqrt(m / 4000.0));
}

void allocate_supplementary_arrays(DeviceRun& run) {
  const int n = run.igrid.NNODE;
  allocate_or_stop(
      [&] {
        for_each_array(run.models, [n](std::vector<double>& a) { a.assign(length(n), 0.0); });
        for_each_array(run.work, [n](std::vector<double>& a) { a.assign(length(n), 0.0); });
        run.solver.system = sim::FiveDiagonalArrays<double>(run.igrid.NX, run.igrid.NY);
        run.solver.RHS.assign(length(n), 0.0);
        run.solver.XSOL.assign(length(n), 0.0);
        run.solver.work = sim::SolverStorage<double>(n, std::max(run.igrid.MAXPOI, 0));
      },
      " Not enough memory for suppl. arrays    ");
  ARINIT(run);
}

}  // namespace devora
