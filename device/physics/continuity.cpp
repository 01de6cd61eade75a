#include "device/physics/continuity.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/fortran_format.hpp"
#include "common/zederm.hpp"
#include "device/physics/bernoulli.hpp"
#include "device/physics/doping_terms.hpp"
#include "device/physics/mobility.hpp"
#include "device/physics/recombination.hpp"
#include "device/setup/regions.hpp"

namespace devora {

namespace {

constexpr int kOhmic = 1;
constexpr int kSchottky = 2;
constexpr int kGate = 3;
constexpr int kElectronsOnly = 1;       // MODE ELHL
constexpr int kHolesOnly = 2;           // MODE ELHL
constexpr int kImplicitTunnelling = 2;  // MODE BBTL: the CBB term replaces the explicit GBB
constexpr double kDirectionGuard = 1e-10;  // keeps a zero direction field from dividing by 0
constexpr double kVelocityGuard = 1e-99;   // keeps a zero surface velocity from dividing by 0
constexpr double kRepairedDensity = 1e-99;
// Potential steps beyond which exp(d/2) B(d) meets 0*inf: the current is
// split through d/(2 sinh(d/2)) instead.
constexpr double kLargeStep = 700.0;

// The arrays that play the roles of one carrier's equation.
struct CarrierRoles {
  std::vector<double>& U;           // density solved for; in: the previous iterate
  const std::vector<double>& V;     // density of the other carrier
  const std::vector<double>& U0;    // equilibrium density (Schottky contacts)
  const std::vector<double>& GOWN;  // impact ionisation attributed to this carrier
  const std::vector<double>& GOTH;  // impact ionisation attributed to the other carrier
  const std::vector<double>& AIX;   // implicit impact-ionisation weights along x
  const std::vector<double>& AIY;   // ... along y
};

Carrier other_carrier(Carrier k) { return k == Carrier::electrons ? Carrier::holes : Carrier::electrons; }

CarrierRoles roles_of(DeviceRun& run, Carrier k) {
  NodeArrays& a = run.nodes;
  const CarrierArrays& own = run.models.carrier[k];
  const CarrierArrays& other = run.models.carrier[other_carrier(k)];
  if (k == Carrier::electrons) return {a.ELEC, a.HOLE, a.ELEC0, own.GI, other.GI, own.AIX, own.AIY};
  return {a.HOLE, a.ELEC, a.HOLE0, own.GI, other.GI, own.AIX, own.AIY};
}

std::vector<double>& density_of(DeviceRun& run, Carrier k) {
  return k == Carrier::electrons ? run.nodes.ELEC : run.nodes.HOLE;
}

// Sign of the current carried by the electron-form flux: +1 electrons, -1 holes.
double carrier_sign(Carrier k) { return k == Carrier::electrons ? 1.0 : -1.0; }

// 1 at a semiconductor point, 0 inside an oxide region.
double region_factor(const DeviceRun& run, std::size_t i, std::size_t j) {
  return REGVAL(run.oxide, run.mesh.X[i], run.mesh.Y[j], 0.0);
}

void require_node_sized(const DeviceRun& run, std::span<const double> phi, const char* routine) {
  if (phi.size() < run.mesh.X.size() * run.mesh.Y.size())
    throw std::invalid_argument(std::string(routine) + ": potential array shorter than the node count");
}

bool carrier_switched_off(const DeviceRun& run, Carrier k) {
  return (run.igrid.ELHL == kHolesOnly && k == Carrier::electrons) ||
         (run.igrid.ELHL == kElectronsOnly && k == Carrier::holes);
}

void clear_currents(CarrierArrays& c) {
  for (std::vector<double>* v : {&c.JX, &c.JY, &c.JDIFX, &c.JDIFY, &c.JDRX, &c.JDRY})
    std::fill(v->begin(), v->end(), 0.0);
}

// Field and current direction as the edge sweep carries them: a node
// without an x (y) edge keeps the x (y) values of the node before it.
struct DirectionSweep {
  double ex = 0.0, ey = 0.0;  // field components of the node's edges
  double a = 0.0, b = 0.0;    // direction: total current density of the previous iteration
};

struct FieldSplit {
  double along = 0.0;   // field magnitude along the current
  double across = 0.0;  // field magnitude across it
};

// Normalises the direction in place (the sweep carries the normalised
// values on) and projects the field on it; a zero direction gives 0, 0.
FieldSplit split_field(DirectionSweep& s) {
  const double r = 1.0 / (std::max(std::abs(s.a), std::abs(s.b)) + kDirectionGuard);
  s.a *= r;
  s.b *= r;
  const double w = 1.0 / (std::sqrt(s.a * s.a + s.b * s.b) + kDirectionGuard);
  return {std::abs(s.ex * s.a + s.ey * s.b) * w, std::abs(s.ex * s.b - s.ey * s.a) * w};
}

constexpr int kLombardiModel = 3;
enum class Edge { x, y };

// Mobility of an edge; the LOMB model takes its doping terms as kept for
// the present doping (the same values MOBIL computes).
double edge_mobility(const DeviceRun& run, Carrier k, const FieldSplit& e, double n_edge, std::size_t n, Edge edge) {
  if (run.igrid.MOBMOD != kLombardiModel) return MOBIL(run, e.along, e.across, n_edge, k);
  const DopingTermArrays::EdgeTerms& t = run.doping_terms.lombardi[k];
  const LombardiDopingTerms doping = edge == Edge::x ? LombardiDopingTerms{t.acoustic_x[n], t.bulk_x[n]}
                                                     : LombardiDopingTerms{t.acoustic_y[n], t.bulk_y[n]};
  return lombardi_mobility(run.mobkib[k], doping, e.along, e.across, run.recomb.TEMP);
}

// Bernoulli factors BX, BY and edge conductances MUX, MUY (mobility times
// region factor times inverse spacing). An edge touching an oxide node
// conducts nothing; its mobility is not evaluated.
void edge_factors(DeviceRun& run, Carrier k, std::span<const double> phi) {
  const MeshArrays& m = run.mesh;
  const std::vector<double>& totd = run.nodes.TOTD;
  const std::vector<double>& jdx = run.models.JTX;
  const std::vector<double>& jdy = run.models.JTY;
  WorkArrays& w = run.work;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  DirectionSweep s;
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      w.BX[n] = w.BY[n] = w.MUX[n] = w.MUY[n] = 0.0;
      const bool x_edge = i + 1 < nx, y_edge = j + 1 < ny;
      if (x_edge) {
        const double d = phi[n + 1] - phi[n];
        s.ex = d * m.HX[i];
        w.BX[n] = BERN(d);
        s.a = jdx[n];
      }
      if (y_edge) {
        const double d = phi[n + nx] - phi[n];
        s.ey = d * m.HY[j];
        w.BY[n] = BERN(d);
        s.b = jdy[n];
      }
      const FieldSplit e = split_field(s);
      const double here = region_factor(run, i, j);
      if (here == 0.0) continue;
      if (x_edge && region_factor(run, i + 1, j) != 0.0)
        w.MUX[n] = edge_mobility(run, k, e, (totd[n] + totd[n + 1]) / 2.0, n, Edge::x) * m.HX[i];
      if (y_edge && region_factor(run, i, j + 1) != 0.0)
        w.MUY[n] = edge_mobility(run, k, e, (totd[n] + totd[n + nx]) / 2.0, n, Edge::y) * m.HY[j];
    }
}

// Recombination conductance of one device side of length L.
double side_term(double length, double n, double p, double ni, double sn, double sp) {
  return length / ((n + ni) / (sp + kVelocityGuard) + (p + ni) / (sn + kVelocityGuard));
}

// Velocities a gate electrode adds on its boundary nodes (0 for any other
// electrode and where there is none). `row` is the 1-based electrode row.
PerCarrier<double> gate_velocities(const ELECTAB& e, int row) {
  if (row == 0) return {0.0, 0.0};
  const std::size_t r = static_cast<std::size_t>(row - 1);
  if (e.TYPE[r] != kGate) return {0.0, 0.0};
  return {e.VSN[r], e.VSP[r]};
}

// Surface recombination on the device sides at node (i, j); a corner
// takes both of its sides.
double surface_recombination(const DeviceRun& run, std::size_t i, std::size_t j, double n, double p,
                             double ni) {
  const MeshArrays& m = run.mesh;
  const CarrierRecombination& vn = run.recomb.carrier.n;
  const CarrierRecombination& vp = run.recomb.carrier.p;
  double q = 0.0;
  if (i == 0) q += side_term(m.WY[j], n, p, ni, vn.VSL, vp.VSL);
  if (i + 1 == m.X.size()) q += side_term(m.WY[j], n, p, ni, vn.VSR, vp.VSR);
  if (j == 0) {
    const PerCarrier<double> g = gate_velocities(run.electab, m.ETOP[i]);
    q += side_term(m.WX[i], n, p, ni, vn.VST + g.n, vp.VST + g.p);
  }
  if (j + 1 == m.Y.size()) {
    const PerCarrier<double> g = gate_velocities(run.electab, m.EBOT[i]);
    q += side_term(m.WX[i], n, p, ni, vn.VSB + g.n, vp.VSB + g.p);
  }
  return q;
}

// Recombination conductance Q of node (i, j), the rates stored on the way;
// oxide nodes have none.
double recombination_conductance(DeviceRun& run, std::size_t i, std::size_t j, std::size_t n) {
  ModelArrays& md = run.models;
  const NodeArrays& a = run.nodes;
  if (region_factor(run, i, j) == 0.0) {
    md.RRAD[n] = md.RAUG[n] = md.RSRH[n] = 0.0;
    return 0.0;
  }
  const MeshArrays& m = run.mesh;
  const double ni = a.NIE[n];
  const DopingTermArrays& t = run.doping_terms;
  const Recombination r = RECRAT(run, m.X[i], m.Y[j], a.ELEC[n], a.HOLE[n], ni, {t.TAUN[n], t.TAUP[n]});
  md.RRAD[n] = r.rrad;
  md.RAUG[n] = r.raug;
  md.RSRH[n] = r.rsrh;
  return r.F * m.WX[i] * m.WY[j] + surface_recombination(run, i, j, a.ELEC[n], a.HOLE[n], ni);
}

// cbb f/(x + ni) of the implicit tunnelling term; nothing where the
// coefficient is 0 (every node outside BBTL mode 2), whatever x holds.
double tunnelling_term(double cbb, double f, double x, double ni) {
  return cbb == 0.0 ? 0.0 : cbb * f / (x + ni);
}

// Scharfetter-Gummel couplings, recombination diagonal, generation
// right-hand side and the implicit-generation weights of every node. The
// flux from node n to n+1 is MUX(n) (U(n+1) B(d) - U(n) B(-d)), d the
// potential step; B(-d) is evaluated directly (d + B(d) cancels for large -d).
void node_terms(DeviceRun& run, Carrier k, const CarrierRoles& r, std::span<const double> phi, double c,
                double g) {
  const MeshArrays& m = run.mesh;
  const ModelArrays& md = run.models;
  const std::vector<double>& nie = run.nodes.NIE;
  WorkArrays& w = run.work;
  sim::FiveDiagonalArrays<double>& sys = run.solver.system;
  std::vector<double>& rhs = run.solver.RHS;
  const double sc = carrier_sign(k) * c;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      const double area = m.WX[i] * m.WY[j], ni = nie[n];
      const double q = recombination_conductance(run, i, j, n);
      w.TX[n] = sc * m.WX[i] * r.AIX[n];
      w.TY[n] = sc * m.WY[j] * r.AIY[n];
      rhs[n] = q * ni * ni + area * (g * md.GBB[n] + (1.0 - c) * r.GOWN[n] + r.GOTH[n] + md.GOPT[n]) +
               area * tunnelling_term(md.CBB[n], ni, r.V[n], ni);
      sys.CM1[n] = i > 0 ? BERN(phi[n - 1] - phi[n]) * w.MUX[n - 1] * m.WY[j] : 0.0;
      sys.CMNX[n] = j > 0 ? BERN(phi[n - nx] - phi[n]) * w.MUY[n - nx] * m.WX[i] : 0.0;
      sys.CP1[n] = i + 1 < nx ? w.BX[n] * w.MUX[n] * m.WY[j] : 0.0;
      sys.CPNX[n] = j + 1 < ny ? w.BY[n] * w.MUY[n] * m.WX[i] : 0.0;
      sys.C0[n] = r.V[n] * q + area * tunnelling_term(md.CBB[n], 1.0, r.U[n], ni);
    }
}

// Flux terms on the diagonal, and the implicit impact ionisation: the
// generation GCOR at the previous density leaves the right-hand side as the
// matrix takes it in through the weights (1 +- TX), (1 +- TY). GOWN enters
// as (1 - c) GOWN + c GOWN, so the converged generation is GOWN for any c.
void implicit_generation(DeviceRun& run, const CarrierRoles& r, double c) {
  const MeshArrays& m = run.mesh;
  WorkArrays& w = run.work;
  sim::FiveDiagonalArrays<double>& sys = run.solver.system;
  std::vector<double>& rhs = run.solver.RHS;
  const std::vector<double>& u = r.U;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      const bool east = i + 1 < nx, west = i > 0, south = j + 1 < ny, north = j > 0;
      // Coefficients of U(n) in the fluxes of its four edges.
      const double out_east = east ? sys.CM1[n + 1] : 0.0;
      const double out_west = west ? sys.CP1[n - 1] : 0.0;
      const double out_south = south ? sys.CMNX[n + nx] : 0.0;
      const double out_north = north ? sys.CPNX[n - nx] : 0.0;
      sys.C0[n] += (1.0 + w.TX[n]) * out_east + (1.0 + w.TY[n]) * out_south + (1.0 - w.TX[n]) * out_west +
                   (1.0 - w.TY[n]) * out_north;
      const double x_faces = out_east * u[n] - (east ? sys.CP1[n] * u[n + 1] : 0.0) +
                             (west ? sys.CM1[n] * u[n - 1] : 0.0) - out_west * u[n];
      const double y_faces = out_south * u[n] - (south ? sys.CPNX[n] * u[n + nx] : 0.0) +
                             (north ? sys.CMNX[n] * u[n - nx] : 0.0) - out_north * u[n];
      const double t = w.TX[n] * x_faces + w.TY[n] * y_faces;
      const double area = m.WX[i] * m.WY[j];
      w.GCOR[n] = -t / area;
      rhs[n] += c * area * r.GOWN[n] - area * w.GCOR[n];
    }
}

// Implicit-generation weights on the couplings; an oxide node keeps its density.
void weight_couplings(DeviceRun& run, const CarrierRoles& r) {
  const MeshArrays& m = run.mesh;
  const WorkArrays& w = run.work;
  sim::FiveDiagonalArrays<double>& sys = run.solver.system;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      sys.CM1[n] *= 1.0 - w.TX[n];
      sys.CMNX[n] *= 1.0 - w.TY[n];
      sys.CP1[n] *= 1.0 + w.TX[n];
      sys.CPNX[n] *= 1.0 + w.TY[n];
      if (region_factor(run, i, j) == 0.0) {
        run.solver.RHS[n] = r.U[n];
        sys.C0[n] = 1.0;
      }
    }
}

// Contact node (i, j) of electrode row `row` (1-based): an ohmic node keeps
// the density the caller set; a Schottky node is pulled towards the
// equilibrium density with weight WX WY v; a gate acts through the surface terms.
void contact_node(DeviceRun& run, Carrier k, const CarrierRoles& r, std::size_t i, std::size_t j, int row) {
  const ELECTAB& e = run.electab;
  const std::size_t el = static_cast<std::size_t>(row - 1);
  const std::size_t n = j * run.mesh.X.size() + i;
  sim::FiveDiagonalArrays<double>& sys = run.solver.system;
  std::vector<double>& rhs = run.solver.RHS;
  if (e.TYPE[el] == kOhmic) {
    sys.C0[n] = 1.0;
    sys.CM1[n] = sys.CMNX[n] = sys.CP1[n] = sys.CPNX[n] = 0.0;
    rhs[n] = r.U[n];
  } else if (e.TYPE[el] == kSchottky) {
    const double v = k == Carrier::electrons ? e.VSN[el] : e.VSP[el];
    const double d = run.mesh.WX[i] * run.mesh.WY[j] * v;
    sys.C0[n] += d;
    rhs[n] += d * r.U0[n];
  }
}

void contact_rows(DeviceRun& run, Carrier k, const CarrierRoles& r) {
  const MeshArrays& m = run.mesh;
  const std::size_t nx = m.X.size(), last = m.Y.size() - 1;
  for (std::size_t i = 0; i < nx; ++i) {
    if (m.ETOP[i] != 0) contact_node(run, k, r, i, 0, m.ETOP[i]);
    if (m.EBOT[i] != 0) contact_node(run, k, r, i, last, m.EBOT[i]);
  }
}

void solve(DeviceRun& run, std::vector<double>& u, double tol) {
  SolverArrays& s = run.solver;
  const ScopedSeconds timer(run.profile.linear_seconds);
  const auto summary = sim::ZEDERM2<double>(
      s.work.zederm2(s.system.view(), s.RHS, u, tol, 0.0, run.igrid.MAXPOI, run.igrid.PRNT), run.console.out);
  ++run.profile.linear_solves;
  run.profile.linear_iterations += summary.iterations;
}

// Current density of one edge and its diffusion and drift parts, for the
// flux q (U1 B(d) - U0 B(-d)) with b = B(d).
struct EdgeCurrent {
  double total = 0.0;
  double diffusion = 0.0;
  double drift = 0.0;
};

EdgeCurrent edge_current(double q, double d, double b, double u0, double u1) {
  const double total = q * (u1 * b - BERN(-d) * u0);
  if (std::abs(d) > kLargeStep) {
    // B(d) exp(d/2) = d/(2 sinh(d/2)) = 2h exp(-h)/(1 - exp(-2h)), h = |d|/2.
    const double h = std::abs(d) / 2.0;
    const double diffusion = q * (u1 - u0) * (2.0 * h * std::exp(-h) / (1.0 - std::exp(-2.0 * h)));
    return {total, diffusion, total - diffusion};
  }
  const double e = std::exp(d / 2.0);
  return {total, q * b * (u1 - u0) * e, -q * b * (u0 * e + u1) * (e - 1.0)};
}

void store(const EdgeCurrent& c, std::vector<double>& total, std::vector<double>& diffusion,
           std::vector<double>& drift, std::size_t n) {
  total[n] = c.total;
  diffusion[n] = c.diffusion;
  drift[n] = c.drift;
}

EdgeCurrent stored(const std::vector<double>& total, const std::vector<double>& diffusion,
                   const std::vector<double>& drift, std::size_t n) {
  return {total[n], diffusion[n], drift[n]};
}

int repair_densities(std::span<double> a) {
  int count = 0;
  for (double& v : a)
    if (v <= 0.0) {
      v = kRepairedDensity;
      ++count;
    }
  return count;
}

void report_repairs(int count, std::ostream& out) {
  if (count > 0)
    out << sim::ftn::ListLine().add("Total number of points with ").add("negative concentration ").add(count).str()
        << '\n';
}

}  // namespace

void CONTEQ(DeviceRun& run, Carrier k, std::span<const double> phi, double tol) {
  require_node_sized(run, phi, "CONTEQ");
  if (carrier_switched_off(run, k)) {
    clear_currents(run.models.carrier[k]);
    return;
  }
  update_doping_terms(run);
  const CarrierRoles r = roles_of(run, k);
  const double c = run.comctrl.RELG;
  const double g = run.igrid.BBTL == kImplicitTunnelling ? 0.0 : 1.0;
  edge_factors(run, k, phi);
  node_terms(run, k, r, phi, c, g);
  implicit_generation(run, r, c);
  weight_couplings(run, r);
  contact_rows(run, k, r);
  solve(run, r.U, tol);
  CONTCOF(run, k, phi);
}

void CONTCOF(DeviceRun& run, Carrier k, std::span<const double> phi) {
  require_node_sized(run, phi, "CONTCOF");
  const MeshArrays& m = run.mesh;
  const WorkArrays& w = run.work;
  const std::vector<double>& u = density_of(run, k);
  CarrierArrays& c = run.models.carrier[k];
  const double s = carrier_sign(k);
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      EdgeCurrent x, y;
      if (i + 1 < nx)
        x = edge_current(s * w.MUX[n], phi[n + 1] - phi[n], w.BX[n], u[n], u[n + 1]);
      else if (i > 0)
        x = stored(c.JX, c.JDIFX, c.JDRX, n - 1);
      if (j + 1 < ny)
        y = edge_current(s * w.MUY[n], phi[n + nx] - phi[n], w.BY[n], u[n], u[n + nx]);
      else if (j > 0)
        y = stored(c.JY, c.JDIFY, c.JDRY, n - nx);
      store(x, c.JX, c.JDIFX, c.JDRX, n);
      store(y, c.JY, c.JDIFY, c.JDRY, n);
    }
}

int NEGDEN(std::span<double> A, std::span<double> B, std::ostream& out) {
  const int count = repair_densities(A) + repair_densities(B);
  report_repairs(count, out);
  return count;
}

int NEGDEN1(std::span<double> A, std::ostream& out) {
  const int count = repair_densities(A);
  report_repairs(count, out);
  return count;
}

}  // namespace devora
