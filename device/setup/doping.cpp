#include "device/setup/doping.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/physics/intrinsic_density.hpp"
#include "device/setup/box_profile.hpp"
#include "device/setup/doping_files.hpp"
#include "device/setup/regions.hpp"
#include "device/setup/value_range.hpp"

namespace devora {

namespace {

constexpr int kFieldFileMode = 2;

bool in_oxide(const DeviceRun& run, double x, double y) { return REGVAL(run.oxide, x, y, 0.0) == 0.0; }

std::string position(const DeviceRun& run, std::size_t n) {
  const MeshArrays& m = run.mesh;
  const std::size_t nx = m.X.size();
  return "x = " + shown(m.X[n % nx] * run.scale.LDUM) + ", y = " + shown(m.Y[n / nx] * run.scale.LDUM) + " microns";
}

// Every box may be within range while their sum is not. The limit is in
// units of the density scale NI, so the message names NI too.
void check_box_sums(const DeviceRun& run) {
  const NodeArrays& a = run.nodes;
  const double ni = run.scale.NI;
  for (std::size_t n = 0; n < a.NETD.size(); ++n) {
    const bool net_usable = usable_doping(a.NETD[n]);
    if (net_usable && usable_doping(a.TOTD[n])) continue;
    sim::ERRSTOP(" Doping boxes: the " + std::string(net_usable ? "total" : "net") + " doping sums to " +
                 shown((net_usable ? a.TOTD[n] : a.NETD[n]) * ni) + " cm-3 at " + position(run, n) +
                 ", beyond what 8-byte arithmetic can carry (at most " + shown(kLargestScaledDoping) +
                 " times the density scale NI = " + shown(ni) + " cm-3)");
  }
}

// Sum of the boxes; every box is evaluated into ELEC, which the equilibrium
// guess overwrites afterwards. Oxide nodes hold one carrier per cm3.
void dope_from_boxes(DeviceRun& run) {
  NodeArrays& a = run.nodes;
  const MeshArrays& m = run.mesh;
  const DOPBOX& boxes = run.dopbox;
  std::fill(a.NETD.begin(), a.NETD.end(), 0.0);
  std::fill(a.TOTD.begin(), a.TOTD.end(), 1.0);
  for (std::size_t b = 0; b < static_cast<std::size_t>(boxes.NDOP); ++b) {
    PROFMAP(a.ELEC, m.X, m.Y, boxes.shape(b), boxes.DOP[b], boxes.DFIL[b], run.scale.NI, run.scale.LDUM);
    for (std::size_t n = 0; n < a.ELEC.size(); ++n) {
      a.NETD[n] += a.ELEC[n];
      a.TOTD[n] += std::abs(a.ELEC[n]);
    }
  }
  check_box_sums(run);
  const std::size_t nx = m.X.size();
  for (std::size_t j = 0; j < m.Y.size(); ++j)
    for (std::size_t i = 0; i < nx; ++i)
      if (in_oxide(run, m.X[i], m.Y[j])) {
        a.TOTD[j * nx + i] = 2.0;
        a.NETD[j * nx + i] = 1.0 / run.scale.NI;
      }
}

// Donors and acceptors of a field file (microns and cm-3), read onto copies
// of the mesh lines in microns.
void dope_from_field_file(DeviceRun& run) {
  NodeArrays& a = run.nodes;
  const double ldum = run.scale.LDUM;
  std::vector<double> x_um(run.mesh.X), y_um(run.mesh.Y);
  for (double& v : x_um) v *= ldum;
  for (double& v : y_um) v *= ldum;
  const std::string& name = run.filenames.doping();
  run.console.out << " Processing doping data from " << sim::fixed(name, sim::kTextWidth) << '\n';
  RDDOP3D(name, a.TOTD, a.NETD, x_um, y_um, run.scale.NI);  // donors into TOTD, acceptors into NETD
  for (std::size_t n = 0; n < a.NETD.size(); ++n) {
    const double donors = a.TOTD[n], acceptors = a.NETD[n];
    a.TOTD[n] = (donors + acceptors) / run.scale.NI;
    a.NETD[n] = (donors - acceptors) / run.scale.NI;
  }
}

// Side charges of the oxide regions, each side spread onto the two mesh
// lines around it: top, bottom, right, left.
void deposit_oxide_charges(DeviceRun& run) {
  NodeArrays& a = run.nodes;
  const MeshArrays& m = run.mesh;
  const OXIDE& o = run.oxide;
  std::fill(a.QINT.begin(), a.QINT.end(), 0.0);
  constexpr auto horizontal = LineOrientation::horizontal, vertical = LineOrientation::vertical;
  for (std::size_t r = 0; r < static_cast<std::size_t>(o.NOXR); ++r) {
    LINDEP(a.QINT, m.X, m.Y, m.WY, o.XLFT[r], o.XRGT[r], o.YTOP[r], o.QOXT[r], horizontal);
    LINDEP(a.QINT, m.X, m.Y, m.WY, o.XLFT[r], o.XRGT[r], o.YBOT[r], o.QOXB[r], horizontal);
    LINDEP(a.QINT, m.Y, m.X, m.WX, o.YTOP[r], o.YBOT[r], o.XRGT[r], o.QOXR[r], vertical);
    LINDEP(a.QINT, m.Y, m.X, m.WX, o.YTOP[r], o.YBOT[r], o.XLFT[r], o.QOXL[r], vertical);
  }
}

// The intrinsic density enters squared (the equilibrium densities, the
// recombination): far below room temperature its square underflows, and
// band-gap narrowing with a tiny CONB overflows. The message names the
// inputs that gave it.
[[noreturn]] void stop_for_intrinsic_density(const DeviceRun& run, double ni0, double total, double nie) {
  const RECOMB& r = run.recomb;
  const SCALE& s = run.scale;
  const std::string beyond = " cm-3, beyond what 8-byte arithmetic can carry";
  if (!square_is_normal(ni0))
    sim::ERRSTOP(" BAND: TEMP = " + shown(r.TEMP) + " K, EG30 = " + shown(r.EG30) + " V, EGAL = " + shown(r.EGAL) +
                 ", EGBE = " + shown(r.EGBE) + " K, ENC3 = " + shown(r.ENC3) + " and ENV3 = " + shown(r.ENV3) +
                 " cm-3 give an intrinsic density of " + shown(ni0 * s.NI) + beyond);
  sim::ERRSTOP(" BAND: band-gap narrowing with VOBG = " + shown(r.VOBG * s.VT) + " V, CONB = " +
               shown(r.CONB * s.NI) + " cm-3 and CNSB = " + shown(r.CNSB) + " at a total doping of " +
               shown(total * s.NI) + " cm-3 gives an intrinsic density of " + shown(nie * s.NI) + beyond);
}

// Effective intrinsic density with band-gap narrowing by the total doping.
void set_intrinsic_density(DeviceRun& run) {
  NodeArrays& a = run.nodes;
  const double ni0 = intrinsic_density(run);
  const double ln_ni0 = std::log(ni0);
  for (std::size_t n = 0; n < a.NIE.size(); ++n) {
    const double d = band_gap_narrowing(run, a.TOTD[n]);
    a.LNIE[n] = ln_ni0 + d;
    a.NIE[n] = ni0 * std::exp(d);
    if (!square_is_normal(a.NIE[n])) stop_for_intrinsic_density(run, ni0, a.TOTD[n], a.NIE[n]);
  }
}

// Densities that the doping and the intrinsic density leave at 0 or Inf
// (a minority density below the smallest 8-byte real) cannot be solved from.
void check_equilibrium_guess(const DeviceRun& run, std::size_t n) {
  const NodeArrays& a = run.nodes;
  const auto positive = [](double v) { return v > 0.0 && std::isfinite(v); };
  if (positive(a.ELEC[n]) && positive(a.HOLE[n]) && std::isfinite(a.PSI[n])) return;
  sim::ERRSTOP(" Doping set-up: a net doping of " + shown(a.NETD[n] * run.scale.NI) +
               " cm-3 with an intrinsic density of " + shown(a.NIE[n] * run.scale.NI) + " cm-3 at " +
               position(run, n) + " gives no finite equilibrium densities");
}

// Charge-neutral equilibrium densities; one carrier of each kind in oxide.
void set_equilibrium_guess(DeviceRun& run) {
  NodeArrays& a = run.nodes;
  const MeshArrays& m = run.mesh;
  const std::size_t nx = m.X.size();
  for (std::size_t j = 0; j < m.Y.size(); ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t n = j * nx + i;
      const double h = a.NETD[n] / 2.0;
      const double half = std::abs(h) + 1e-20;
      const double majority = half + std::sqrt(half * half + a.NIE[n] * a.NIE[n]);
      const double minority = a.NIE[n] * a.NIE[n] / majority;
      const double electrons = h >= 0.0 ? majority : minority;
      const bool oxide = in_oxide(run, m.X[i], m.Y[j]);
      a.ELEC[n] = oxide ? 1.0 : electrons;
      a.HOLE[n] = oxide ? 1.0 : (h >= 0.0 ? minority : majority);
      a.PSI[n] = std::log(electrons) - a.LNIE[n];
      check_equilibrium_guess(run, n);
    }
  a.ELEC0 = a.ELEC;
  a.HOLE0 = a.HOLE;
}

// Contact nodes of Schottky electrodes: the barrier potential (FIB, in VT)
// or, when it is 0, the doping potential already there.
void set_schottky_contacts(DeviceRun& run) {
  NodeArrays& a = run.nodes;
  const MeshArrays& m = run.mesh;
  const ELECTAB& e = run.electab;
  const std::size_t nx = m.X.size(), ny = m.Y.size();
  for (const std::size_t j : {std::size_t{0}, ny - 1}) {
    const std::vector<int>& edge = j == 0 ? m.ETOP : m.EBOT;
    for (std::size_t i = 0; i < nx; ++i) {
      const int k = edge[i];
      if (k == 0 || e.TYPE[static_cast<std::size_t>(k - 1)] != kSchottky) continue;
      const std::size_t n = j * nx + i;
      const double barrier = e.FIM[static_cast<std::size_t>(k - 1)];
      const double v = barrier != 0.0 ? barrier : a.PSI[n];
      a.PSI[n] = v;
      a.ELEC0[n] = a.ELEC[n] = a.NIE[n] * std::exp(v);
      a.HOLE0[n] = a.HOLE[n] = a.NIE[n] * std::exp(-v);
      if (!std::isfinite(a.ELEC[n]) || !std::isfinite(a.HOLE[n]))
        sim::ERRSTOP(" Schottky electrode " + std::string(sim::rtrim(e.NAME[static_cast<std::size_t>(k - 1)])) +
                     ": barrier FIB gives no finite contact density");
    }
  }
}

}  // namespace

void DOPSET(DeviceRun& run) {
  ++run.doping_generation;
  if (run.igrid.DOPMOD == kFieldFileMode) {
    dope_from_field_file(run);
  } else {
    dope_from_boxes(run);
  }
  deposit_oxide_charges(run);
  set_intrinsic_density(run);
  if (run.igrid.READ == 1) return;  // a stored solution would be kept
  set_equilibrium_guess(run);
  set_schottky_contacts(run);
}

}  // namespace devora
