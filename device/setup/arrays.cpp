#include "device/setup/arrays.hpp"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/fatal_stop.hpp"

namespace devora {

namespace {

constexpr int kBasicXReals = 7, kBasicXInts = 2, kBasicYReals = 3, kBasicNodeReals = 26;
constexpr int kSupplNodeReals = 47;
constexpr int kSupplFilledDirectly = 22;  // the other 25 are zeroed by ARINIT
constexpr int kHistoryInitialised = 200;

template <class T>
std::vector<std::vector<T>> make_arrays(int count, int length) {
  return std::vector<std::vector<T>>(count, std::vector<T>(static_cast<std::size_t>(std::max(length, 0))));
}

}  // namespace

void DFILL(std::span<double> a, double v, int n) {
  for (int i = 0; i < n && i < static_cast<int>(a.size()); ++i) a[i] = v;
}

void IFILL(std::span<int> a, int v, int n) {
  for (int i = 0; i < n && i < static_cast<int>(a.size()); ++i) a[i] = v;
}

void ARINIT(DeviceRun& run) {
  const int n = run.igrid.NNODE;
  for (int a = kSupplFilledDirectly; a < kSupplNodeReals; ++a) DFILL(run.suppl_nodes[a], 0.0, n);
  DFILL(run.suppl_history, 0.0, std::min<int>(kHistoryInitialised, run.suppl_history.size()));
  DFILL(run.iv.IVRES, 0.0, static_cast<int>(run.iv.IVRES.size()));
  IFILL(run.iv.IVSTAT, 0, static_cast<int>(run.iv.IVSTAT.size()));
}

void allocate_basic_arrays(DeviceRun& run) {
  const int nx = run.igrid.NX, ny = run.igrid.NY, n = run.igrid.NNODE;
  try {
    run.basic_x = make_arrays<double>(kBasicXReals, nx);
    run.basic_x_int = make_arrays<int>(kBasicXInts, nx);
    run.basic_y = make_arrays<double>(kBasicYReals, ny);
    run.basic_nodes = make_arrays<double>(kBasicNodeReals, n);
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(" Not enough memory for basic arrays     ");
  } catch (const std::length_error&) {
    sim::ERRSTOP(" Not enough memory for basic arrays     ");
  }
  for (auto& a : run.basic_x) DFILL(a, 0.0, nx);
  for (auto& a : run.basic_x_int) IFILL(a, 0, nx);
  for (auto& a : run.basic_y) DFILL(a, 0.0, ny);
  for (auto& a : run.basic_nodes) DFILL(a, 0.0, n);
}

int solver_iteration_limit(int node_count) {
  const int m = std::max(node_count, 4000);
  return static_cast<int>(1000.0 * std::sqrt(m / 4000.0));
}

void allocate_supplementary_arrays(DeviceRun& run) {
  const int n = run.igrid.NNODE;
  try {
    run.suppl_nodes = make_arrays<double>(kSupplNodeReals, n);
    run.suppl_history.assign(static_cast<std::size_t>(std::max(run.igrid.MAXPOI, 0)), 0.0);
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(" Not enough memory for suppl. arrays    ");
  } catch (const std::length_error&) {
    sim::ERRSTOP(" Not enough memory for suppl. arrays    ");
  }
  for (int a = 0; a < kSupplFilledDirectly; ++a) DFILL(run.suppl_nodes[a], 0.0, n);
  ARINIT(run);
}

}  // namespace devora
