#include "device/solve/continuation_guess.hpp"

#include <algorithm>
#include <cmath>

#include "common/zederm.hpp"

namespace devora {

namespace {

constexpr double kNoIncrement = static_cast<double>(1e-10f);  // 4-byte threshold
constexpr double kVoltsPerSubStep = 5100.0;
constexpr int kMostSubSteps = 100;  // bounds the work of an absurd increment
constexpr double kSmallestDensity = 1e-300;

double largest_magnitude(std::span<const double> dv) {
  double m = 0.0;
  for (double v : dv) m = std::max(m, std::abs(v));
  return m;
}

// Edge conductance of the guess problem: geometric mean densities of both
// carriers plus a floor that keeps depleted regions connected.
double conductance(const NodeArrays& a, std::size_t p, std::size_t q) {
  return std::sqrt(a.ELEC[p] * a.ELEC[q]) + std::sqrt(a.HOLE[p] * a.HOLE[q]) + 100.0;
}

void assemble_conduction(DeviceRun& run) {
  const MeshArrays& m = run.mesh;
  const NodeArrays& a = run.nodes;
  sim::FiveDiagonalArrays<double>& s = run.solver.system;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      s.CM1[n] = i > 0 ? m.WY[j] * m.HX[i - 1] * conductance(a, n - 1, n) : 0.0;
      s.CMNX[n] = j > 0 ? m.WX[i] * m.HY[j - 1] * conductance(a, n - nx, n) : 0.0;
    }
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      s.CP1[n] = i + 1 < nx ? s.CM1[n + 1] : 0.0;
      s.CPNX[n] = j + 1 < ny ? s.CMNX[n + nx] : 0.0;
      s.C0[n] = s.CM1[n] + s.CP1[n] + s.CMNX[n] + s.CPNX[n];
      run.solver.RHS[n] = 0.0;
      run.solver.XSOL[n] = 1.0;
    }
}

// Contact nodes other than gates take the increment of their electrode.
// Returns whether any row was fixed.
bool fix_contact_rows(DeviceRun& run, std::span<const double> step) {
  const MeshArrays& m = run.mesh;
  sim::FiveDiagonalArrays<double>& s = run.solver.system;
  const std::size_t nx = m.X.size(), last = (m.Y.size() - 1) * nx;
  bool fixed = false;
  const auto fix = [&](std::size_t n, int row) {
    const std::size_t k = static_cast<std::size_t>(row - 1);
    if (run.electab.TYPE[k] == kGate) return;
    s.C0[n] = 1.0;
    s.CM1[n] = s.CP1[n] = s.CMNX[n] = s.CPNX[n] = 0.0;
    run.solver.RHS[n] = step[k];
    fixed = true;
  };
  for (std::size_t i = 0; i < nx; ++i) {
    if (m.ETOP[i] != 0) fix(i, m.ETOP[i]);
    if (m.EBOT[i] != 0) fix(last + i, m.EBOT[i]);
  }
  return fixed;
}

void solve_conduction(DeviceRun& run, double tol) {
  SolverArrays& s = run.solver;
  const ScopedSeconds timer(run.profile.linear_seconds);
  const auto summary = sim::ZEDERM2<double>(
      s.work.zederm2(s.system.view(), s.RHS, s.XSOL, tol, 1e-19, run.igrid.MAXPOI, run.igrid.PRNT), run.console.out);
  ++run.profile.linear_solves;
  run.profile.linear_iterations += summary.iterations;
}

// The potential moves by D; a carrier the continuity equations leave alone
// keeps its quasi-Fermi level.
void move_potential(DeviceRun& run) {
  NodeArrays& a = run.nodes;
  const std::vector<double>& d = run.solver.XSOL;
  const int elhl = run.igrid.ELHL;
  for (std::size_t n = 0; n < a.PSI.size(); ++n) {
    a.PSI[n] += d[n];
    if (elhl == 1) a.HOLE[n] = std::max(a.HOLE[n] * std::exp(-d[n]), kSmallestDensity);
    if (elhl == 2) a.ELEC[n] = std::max(a.ELEC[n] * std::exp(d[n]), kSmallestDensity);
  }
}

}  // namespace

void CONTGUESS(DeviceRun& run, std::span<const double> dv) {
  run.console.out << " Computation of initial guess \n";
  const double dvmax = largest_magnitude(dv);
  const double steps = std::floor(std::min(dvmax * run.scale.VT / kVoltsPerSubStep, double{kMostSubSteps - 1}));
  const int nsub = static_cast<int>(steps) + 1;
  const double tolz = dvmax * 1e-12 + 1e-9;
  std::vector<double> step(dv.begin(), dv.end());
  for (double& v : step) v /= nsub;
  for (int sub = 0; sub < nsub; ++sub) {
    if (dvmax >= kNoIncrement) {
      assemble_conduction(run);
      if (fix_contact_rows(run, step)) {
        solve_conduction(run, tolz);
        move_potential(run);
      }
    }
    for (std::size_t k = 0; k < step.size(); ++k) run.electab.VCON[k] += step[k];
  }
}

void CONSTE(DeviceRun& run, const SweepHistory& h, std::span<const double> dv) {
  run.console.out << " Computation of initial guess using continuation method\n";
  std::size_t lead = 0;
  for (std::size_t k = 1; k < dv.size(); ++k)
    if (std::abs(dv[k]) > std::abs(dv[lead])) lead = k;
  NodeArrays& a = run.nodes;
  const double change = dv.empty() ? 0.0 : h.V_CUR[lead] - h.V_OLD[lead];
  if (change == 0.0 || dv[lead] == 0.0) {
    a.PSI = h.PSI_CUR;
    a.ELEC = h.ELEC_CUR;
    a.HOLE = h.HOLE_CUR;
  } else {
    const double r = dv[lead] / change;
    for (std::size_t n = 0; n < a.PSI.size(); ++n) {
      a.PSI[n] = h.PSI_CUR[n] + r * (h.PSI_CUR[n] - h.PSI_OLD[n]);
      const double ln_n = std::log(h.ELEC_CUR[n]), ln_p = std::log(h.HOLE_CUR[n]);
      a.ELEC[n] = std::exp(ln_n + r * (ln_n - std::log(h.ELEC_OLD[n])));
      a.HOLE[n] = std::exp(ln_p + r * (ln_p - std::log(h.HOLE_OLD[n])));
    }
  }
  for (std::size_t k = 0; k < dv.size(); ++k) run.electab.VCON[k] = h.V_CUR[k] + dv[k];
}

}  // namespace devora
