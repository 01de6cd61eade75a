#include "device/solve/gummel.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/finite.hpp"
#include "common/fortran_format.hpp"
#include "device/output/residual_history.hpp"
#include "device/output/solution_file.hpp"
#include "device/physics/contact_currents.hpp"
#include "device/physics/continuity.hpp"
#include "device/physics/impact_ionisation.hpp"
#include "device/physics/poisson.hpp"
#include "device/physics/quasi_fermi.hpp"
#include "device/physics/tunnelling.hpp"

namespace devora {

namespace {

enum Status : int { kConverged = 0, kIterationLimit = 1, kAvalanche = 2 };

// Constants of the convergence ladder that are 4-byte reals widened.
constexpr double kTiny = static_cast<double>(1e-12f);
constexpr double kHundredth = static_cast<double>(0.01f);
constexpr double kTenth = static_cast<double>(0.1f);
constexpr double kContinuityTolerance = 1e-14;
constexpr double kResidualBetweenPoints = 100.0;
constexpr int kMaxValuesPerLine = 20;

// Residual (V), relative generation change and first terminal current per
// iteration of the point; grows with the iteration count.
struct History {
  std::vector<double> res, dgen, cur;
  void record(double r, double d, double c) {
    res.push_back(r);
    dgen.push_back(d);
    cur.push_back(c);
  }
  void write(RunProfile& profile) const {
    const ScopedSeconds timer(profile.write_seconds);
    WRPLOT(res, dgen, cur, static_cast<int>(res.size()));
  }
};

// What one point carries from iteration to iteration.
struct PointState {
  double gmean_old = 0.0;
  double dg = 0.0;  // relative change of the mean impact-ionisation generation
  double cons = 0.0;
  double imax = 0.0;
  History history;
};

std::size_t electrodes(const DeviceRun& run) { return static_cast<std::size_t>(run.electab.NEL); }

// The implicit impact-ionisation weights start every point at 0; the rates
// themselves carry over from the previous point.
void clear_ionisation_weights(DeviceRun& run) {
  for (CarrierArrays* c : {&run.models.carrier.n, &run.models.carrier.p}) {
    std::fill(c->AIX.begin(), c->AIX.end(), 0.0);
    std::fill(c->AIY.begin(), c->AIY.end(), 0.0);
  }
}

// Electron then hole continuity. Each is solved in the electron form on the
// potential its carrier sees, formed in PSI in place: PSI + LNIE for
// electrons, LNIE - PSI for holes; PSI is restored afterwards.
void solve_continuity(DeviceRun& run) {
  std::vector<double>& psi = run.nodes.PSI;
  const std::vector<double>& lnie = run.nodes.LNIE;
  const std::size_t n = psi.size();
  for (std::size_t k = 0; k < n; ++k) psi[k] = psi[k] + lnie[k];
  CONTEQ(run, Carrier::electrons, psi, kContinuityTolerance);
  NEGDEN1(run.nodes.ELEC, run.console.out);
  CURRENTS(run, run.models.carrier.n.JX, run.models.carrier.n.JY, run.electab.CURN);
  for (std::size_t k = 0; k < n; ++k) psi[k] = psi[k] - 2.0 * lnie[k];
  for (std::size_t k = 0; k < n; ++k) psi[k] = -psi[k];
  CONTEQ(run, Carrier::holes, psi, kContinuityTolerance);
  NEGDEN1(run.nodes.HOLE, run.console.out);
  for (std::size_t k = 0; k < n; ++k) psi[k] = lnie[k] - psi[k];
  NEGDEN(run.nodes.ELEC, run.nodes.HOLE, run.console.out);
}

// Mean impact-ionisation generation and its relative change, once the
// potential has settled (from the third iteration, below a huge residual).
void update_avalanche_generation(DeviceRun& run, PointState& p) {
  if (run.igrid.IMPI == 0 || !(run.itgum.RES <= 1.1e7) || run.itgum.IT < 3) return;
  QFERMI(run);
  const double gmean = IMPION(run, run.work.EXW, run.work.EYW);
  p.dg = std::abs((p.gmean_old - gmean) / (gmean + run.comctrl.GMIN * 1e5));
  p.gmean_old = gmean;
}

void total_currents(DeviceRun& run, PointState& p) {
  ModelArrays& m = run.models;
  CURRENTS(run, m.carrier.p.JX, m.carrier.p.JY, run.electab.CURP);
  for (std::size_t k = 0; k < m.JTX.size(); ++k) {
    m.JTX[k] = m.carrier.n.JX[k] + m.carrier.p.JX[k];
    m.JTY[k] = m.carrier.n.JY[k] + m.carrier.p.JY[k];
  }
  const CurrentBalance sums = CURRENTS(run, m.JTX, m.JTY, run.electab.CURT);
  p.cons = sums.CONS;
  p.imax = sums.IMAX;
}

// A solution that is not finite must never pass as converged: the history
// file keeps the iterations before the failure, the last good solution file
// stays, the run stops.
void stop_on_non_finite(DeviceRun& run, const PointState& p) {
  const bool finite = std::isfinite(run.itgum.RES) && std::isfinite(p.cons) &&
                      sim::all_finite(run.electab.CURT) && non_finite_solution(run.nodes) == nullptr;
  if (finite) return;
  p.history.write(run.profile);
  sim::ERRSTOP(" Gummel iteration " + std::to_string(run.itgum.IT) +
               ": the potential, densities or currents are not finite; the run stops");
}

void record_history(const DeviceRun& run, PointState& p) {
  const double dgen = (run.igrid.IMPI != 0 && p.dg == 0.0) ? 1.0 : p.dg;
  const double first_current = electrodes(run) > 0 ? run.electab.CURT[0] : 0.0;
  p.history.record(run.itgum.RES * run.scale.VT, dgen, first_current);
}

// 'Gum iter',I5,' res ',1PD7.1,'V Current conserv ',1PD7.1,' Currents',20(1X,1PE10.3)
void print_iteration_line(const DeviceRun& run, const PointState& p) {
  namespace f = sim::ftn;
  std::string line = "Gum iter" + f::I(run.itgum.IT, 5) + " res " + f::D(run.itgum.RES * run.scale.VT, 7, 1, 1) +
                     "V Current conserv " + f::D(p.cons, 7, 1, 1) + " Currents";
  for (std::size_t e = 0; e < electrodes(run); ++e) {
    if (e > 0 && e % kMaxValuesPerLine == 0) line += '\n';
    (line += ' ') += f::E(run.electab.CURT[e], 10, 3, 1);
  }
  run.console.out << line << '\n';
}

// The ladder: the generation has settled and the residual meets one of the
// rungs, tested in order.
bool converged(const DeviceRun& run, const PointState& p, double tolg) {
  if (!(p.dg < run.comctrl.DGEN)) return false;
  const double res = run.itgum.RES, gres = run.comctrl.GRES;
  const int it = run.itgum.IT;
  return (res <= tolg && it >= 3) || (res <= kTiny && it >= 9) || (res <= gres * kTiny && it >= 9) ||
         (res <= gres * kHundredth && it >= 10) || (res <= gres * kTenth && it >= 20) ||
         (res <= gres && it >= 30);
}

bool avalanche(const DeviceRun& run, const PointState& p) {
  const int limit = std::min(30, run.itgum.ITMAX);
  const double width_um = run.geom.ZZ * run.scale.LDUM;
  return run.itgum.IT >= limit && std::abs(p.imax) / width_um > run.comctrl.CRBD && run.igrid.IMPI == 1;
}

void pause_if_interactive(DeviceRun& run) {
  if (run.complt.ANSWER != 'Y') return;
  run.console.out << " Press <Enter> to continue\n";
  run.console.wait_for_enter();
}

void stop_for_avalanche(DeviceRun& run) {
  run.console.out << sim::ftn::ListLine()
                         .add(" Avalanche breakdown (Imax>")
                         .add(run.comctrl.CRBD)
                         .add(" A/mcm), press <Enter>")
                         .str()
                  << '\n';
  pause_if_interactive(run);
}

// 9X,20(1X,A10) / ' Voltage ',20(1X,F10.4) / ' Current ',20(1X,E10.3)
void print_point_table(DeviceRun& run) {
  namespace f = sim::ftn;
  const ELECTAB& e = run.electab;
  std::string names = std::string(9, ' '), volts = " Voltage ", amps = " Current ";
  for (std::size_t k = 0; k < electrodes(run); ++k) {
    (names += ' ') += f::A(std::string_view(e.NAME[k]).substr(0, 10), 10);
    (volts += ' ') += f::F(e.VCON[k] * run.scale.VT, 10, 4);
    (amps += ' ') += f::E(e.CURT[k], 10, 3);
  }
  run.console.out << '\n' << names << '\n' << volts << '\n' << amps << "\n\n";
}

void finish_point(DeviceRun& run, PointState& p, int status) {
  p.history.write(run.profile);
  print_point_table(run);
  write_solution(run);
  pause_if_interactive(run);
  run.comctrl.GSTAT = status;
  run.itgum.RES = kResidualBetweenPoints;
  run.itgum.IT = 0;
}

}  // namespace

const char* non_finite_solution(const NodeArrays& nodes) {
  if (!sim::all_finite(nodes.PSI)) return "potential";
  if (!sim::all_finite(nodes.ELEC)) return "electron density";
  if (!sim::all_finite(nodes.HOLE)) return "hole density";
  return nullptr;
}

void GUMMEL(DeviceRun& run, double tolg) {
  PointState p;
  clear_ionisation_weights(run);
  run.console.out << " Gummel iteration starts\n";
  const double toln = tolg >= 0.5 ? tolg : 0.5;
  ++run.profile.bias_points;
  for (;;) {
    ++run.itgum.IT;
    ++run.profile.gummel_iterations;
    POISSON(run, {toln, 2, 1});
    solve_continuity(run);
    update_avalanche_generation(run, p);
    BBTGEN(run, run.work.EXW, run.work.EYW);
    total_currents(run, p);
    stop_on_non_finite(run, p);
    record_history(run, p);
    print_iteration_line(run, p);
    p.history.write(run.profile);
    if (run.comctrl.BATC == 2) write_solution(run);
    if (converged(run, p, tolg)) return finish_point(run, p, kConverged);
    if (avalanche(run, p)) {
      stop_for_avalanche(run);
      return finish_point(run, p, kAvalanche);
    }
    if (run.itgum.IT >= run.itgum.ITMAX) {
      run.console.out << "Maximum Gummel iteration number has been reached\n";
      return finish_point(run, p, kIterationLimit);
    }
  }
}

}  // namespace devora
