#include "device/physics/poisson.hpp"

#include <cmath>

#include "common/zederm.hpp"
#include "device/physics/intrinsic_density.hpp"
#include "device/setup/regions.hpp"

namespace devora {

namespace {

// 1 in semiconductor, 0 inside an insulator region.
double semiconductor(const DeviceRun& run, double x, double y) { return REGVAL(run.oxide, x, y, 0.0); }

// Edge coefficients: GX(n) couples node n with n-1, GY(n) with n-NX, each
// the face width over the spacing times the relative permittivity at the
// edge's midpoint.
void edge_coefficients(DeviceRun& run) {
  const MeshArrays& m = run.mesh;
  std::vector<double>& gx = run.work.GX;
  std::vector<double>& gy = run.work.GY;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  const double epss = run.scale.EPSS;
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      gx[n] = i == 0 ? 0.0 : m.WY[j] * m.HX[i - 1] * REGRAT(run.oxide, epss, 0.5 * (m.X[i] + m.X[i - 1]), m.Y[j]);
      gy[n] = j == 0 ? 0.0 : m.WX[i] * m.HY[j - 1] * REGRAT(run.oxide, epss, m.X[i], 0.5 * (m.Y[j] + m.Y[j - 1]));
    }
}

// Linearised charge p - n + C around the present potential, solved for the
// new potential itself: (n + p) psi_new on the diagonal side.
void assemble_interior(DeviceRun& run) {
  const MeshArrays& m = run.mesh;
  const NodeArrays& a = run.nodes;
  sim::FiveDiagonalArrays<double>& s = run.solver.system;
  std::vector<double>& b = run.solver.RHS;
  const std::vector<double>& gx = run.work.GX;
  const std::vector<double>& gy = run.work.GY;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      const double area = m.WX[i] * m.WY[j];
      const double fs = semiconductor(run, m.X[i], m.Y[j]);
      s.CM1[n] = gx[n];
      s.CP1[n] = i + 1 < nx ? gx[n + 1] : 0.0;
      s.CMNX[n] = gy[n];
      s.CPNX[n] = j + 1 < ny ? gy[n + nx] : 0.0;
      const double carriers = a.ELEC[n] + a.HOLE[n];
      s.C0[n] = s.CM1[n] + s.CMNX[n] + s.CP1[n] + s.CPNX[n] + area * fs * carriers;
      b[n] = area * (fs * (a.HOLE[n] - a.ELEC[n] + a.NETD[n]) + fs * carriers * a.PSI[n] + a.QINT[n]);
    }
}

// Fixed interface charge of a gate at column position x: uniform QSH plus
// a Gaussian QSG centred at XQS with width AQS (none when QSG or AQS is 0).
double gate_charge(const ELECTAB& e, std::size_t k, double x) {
  double q = e.QSH[k];
  if (e.QSG[k] != 0.0 && e.AQS[k] != 0.0) {
    const double t = (x - e.XQS[k]) / e.AQS[k];
    q += e.QSG[k] * std::exp(-t * t);
  }
  return q;
}

// A contact node of row j, column i, owned by electrode row k (1-based).
void contact_row(DeviceRun& run, std::size_t i, std::size_t j, int k) {
  const ELECTAB& e = run.electab;
  const std::size_t c = static_cast<std::size_t>(k - 1);
  const std::size_t n = j * run.mesh.X.size() + i;
  sim::FiveDiagonalArrays<double>& s = run.solver.system;
  std::vector<double>& b = run.solver.RHS;
  if (e.TYPE[c] == kOhmic || e.TYPE[c] == kSchottky) {
    // Ohmic and Schottky nodes keep the boundary value the caller has set.
    s.C0[n] = 1.0;
    s.CM1[n] = s.CP1[n] = s.CMNX[n] = s.CPNX[n] = 0.0;
    b[n] = run.nodes.PSI[n];
  } else if (e.TYPE[c] == kGate) {
    // Gate: the oxide capacitance couples the node to the gate potential
    // less the work-function difference; the interface charge adds.
    const double wx = run.mesh.WX[i], epss = run.scale.EPSS;
    const double gate_level = e.VCON[c] - (e.FIM[c] - run.comcon.PHI0);
    s.C0[n] += wx * e.COX[c] / epss;
    b[n] += wx * (e.COX[c] * gate_level + gate_charge(e, c, run.mesh.X[i])) / epss;
  }
}

void assemble_contacts(DeviceRun& run) {
  const MeshArrays& m = run.mesh;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t i = 0; i < nx; ++i) {
    if (m.ETOP[i] != 0) contact_row(run, i, 0, m.ETOP[i]);
    if (m.EBOT[i] != 0) contact_row(run, i, ny - 1, m.EBOT[i]);
  }
}

void solve_linear_step(DeviceRun& run, double res) {
  SolverArrays& s = run.solver;
  s.XSOL = run.nodes.PSI;  // start vector
  const double tol = 1e-10 * (1.0 + res);
  const ScopedSeconds timer(run.profile.linear_seconds);
  const auto summary = sim::ZEDERM<double>(
      s.work.zederm(s.system.view(), s.RHS, s.XSOL, tol, 1e-8, run.igrid.MAXPOI, run.igrid.PRNT), run.console.out);
  ++run.profile.linear_solves;
  run.profile.linear_iterations += summary.iterations;
}

}  // namespace

double damped_update(double d) {
  const double size = std::abs(d);
  if (size <= 9.0) return d;
  if (size <= 25.0) return std::copysign(3.0 * std::sqrt(size), d);
  return std::copysign(15.0 + std::log(size / 25.0), d);
}

double PSIDAMP(DeviceRun& run, std::span<double> pnew, int icont) {
  NodeArrays& a = run.nodes;
  double dmax = 0.0;
  for (std::size_t k = 0; k < a.PSI.size(); ++k) {
    const double d = pnew[k] - a.PSI[k];
    // A NaN update must not hide behind a finite maximum.
    if (std::abs(d) > std::abs(dmax) || (std::isnan(d) && !std::isnan(dmax))) dmax = d;
    const double old = a.PSI[k];
    a.PSI[k] += damped_update(d);
    pnew[k] = old;
  }
  if (icont == 0) return dmax;
  const MeshArrays& m = run.mesh;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t i = 0; i < nx; ++i)
    for (std::size_t j = 0; j < ny; ++j) {
      if (semiconductor(run, m.X[i], m.Y[j]) == 0.0) continue;
      const std::size_t k = j * nx + i;
      const double e = std::exp(a.PSI[k] - pnew[k]);
      if (a.ELEC[k] > 1e-300) a.ELEC[k] *= e;
      if (a.HOLE[k] > 1e-300) a.HOLE[k] /= e;
    }
  return dmax;
}

void POISSON(DeviceRun& run, const PoissonControls& controls) {
  edge_coefficients(run);
  double& res = run.itgum.RES;
  for (int it = 1;; ++it) {
    assemble_interior(run);
    assemble_contacts(run);
    solve_linear_step(run, res);
    const double dmax = PSIDAMP(run, run.solver.XSOL, controls.ICONT);
    if (it == 1 || !std::isfinite(dmax)) res = std::abs(dmax);
    if (!std::isfinite(dmax)) break;  // nothing to gain from further steps
    if (it >= controls.MAXN || std::abs(dmax) <= controls.TOLN || controls.ICONT == 0) break;
  }
  // The edge coefficients are spent: their first NX entries serve as work.
  NIEFF(run, run.work.GX, run.work.GY);
}

}  // namespace devora
