#include "device/solve/driver.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "device/output/solution_file.hpp"
#include "device/physics/optical_generation.hpp"
#include "device/physics/poisson.hpp"
#include "device/setup/mesh_geometry.hpp"
#include "device/solve/continuation_guess.hpp"
#include "device/solve/gummel.hpp"
#include "device/solve/regrid.hpp"

namespace devora {

namespace {

constexpr double kMostRampSteps = 1e6;  // bounds an absurd start voltage

bool has_light(const DeviceRun& run) { return run.phobox.NPHO > 0 || run.lsrctab.NLSRC > 0; }

void generate_light(DeviceRun& run) {
  if (has_light(run)) GENRATE(run, run.work.EXW);
}

// Ramp of the contact voltages: one step per started volt of the largest
// start voltage.
struct Ramp {
  int steps = 1;
  std::vector<double> dv;  // increment per step and electrode, VT
  double tolg = 0.5;       // Gummel tolerance of the steps before the last
};

Ramp plan_ramp(const DeviceRun& run, std::size_t c) {
  const std::size_t nel = static_cast<std::size_t>(run.electab.NEL);
  double vmax = 0.0;
  for (std::size_t k = 0; k < nel; ++k) vmax = std::max(vmax, std::abs(run.curvtab.start_voltage(c, k)));
  Ramp ramp;
  const double started_volts = std::trunc((vmax - 1e-10) * run.scale.VT / 1.0);
  ramp.steps = static_cast<int>(std::clamp(started_volts, 0.0, kMostRampSteps)) + 1;
  const double frac = ramp.steps > 1 ? 1.0 / ramp.steps : 1.0;
  ramp.dv.resize(nel);
  for (std::size_t k = 0; k < nel; ++k) ramp.dv[k] = frac * run.curvtab.start_voltage(c, k);
  ramp.tolg = 0.1 * vmax * frac + 0.5;
  return ramp;
}

// The zero-bias solution feeds the regridding, the solution file and the
// ramp: one that is not finite stops the run where it arose, as in the
// Gummel iteration, before any file is written from it.
void stop_unless_finite(const DeviceRun& run, const std::string& stage) {
  const char* quantity = non_finite_solution(run.nodes);
  if (quantity == nullptr && !std::isfinite(run.itgum.RES)) quantity = "Newton update";
  if (quantity == nullptr) return;
  sim::ERRSTOP(" " + stage + ": the " + quantity + " is not finite; the run stops");
}

void keep_equilibrium_densities(DeviceRun& run) {
  run.nodes.ELEC0 = run.nodes.ELEC;
  run.nodes.HOLE0 = run.nodes.HOLE;
}

// First curve on a generated mesh: the lines follow the zero-bias solution.
void regrid_zero_bias_solution(DeviceRun& run) {
  run.console.out << " Regridding on zero voltage solution  \n";
  {
    const ScopedSeconds timer(run.profile.regrid_seconds);
    for (int pass = 0; pass < run.igrid.IGRM; ++pass) {
      REMESH(run);
      stop_unless_finite(run, "Regridding pass " + std::to_string(pass + 1) + " at zero voltages");
      keep_equilibrium_densities(run);
    }
  }
  check_electrodes_hold_nodes(run, " after regridding");
  generate_light(run);
  INTEGPR(run, run.models.GOPT, 0.0, run.geom.XX, 0.0, run.geom.YY, generation_integral_factor(run),
          "e-h generation rate");
  run.REGRID_DONE = true;
  write_solution(run);
}

}  // namespace

void UINIT(DeviceRun& run, std::size_t c) {
  std::fill(run.electab.VCON.begin(), run.electab.VCON.end(), 0.0);
  if (run.igrid.READ == 1) return;
  Ramp ramp = plan_ramp(run, c);
  run.console.out << " Computing solution for zero voltages \n";
  POISSON(run, {5e-5, 20, 1});
  stop_unless_finite(run, "Zero-voltage Poisson solution");
  keep_equilibrium_densities(run);
  if (run.igrid.MESH >= 2 && !run.REGRID_DONE)
    regrid_zero_bias_solution(run);
  else
    generate_light(run);
  for (int s = 1; s <= ramp.steps; ++s) {
    CONTGUESS(run, ramp.dv);
    if (s == ramp.steps) ramp.tolg = 0.0;
    GUMMEL(run, ramp.tolg);
  }
}

}  // namespace devora
