#include "process/thermal_step.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fortran_format.hpp"
#include "common/zederm.hpp"
#include "process/assembly.hpp"
#include "process/coefficients.hpp"
#include "process/mesh.hpp"

namespace tavik {
namespace {

// Surface depths below this are no surface motion at all.
constexpr float kNoConsumption = 0.001f;
// Oxide grown per unit of silicon consumed.
constexpr float kSiliconPerOxide = 0.44f;
// Growth of the time step from one step to the next.
constexpr float kStepGrowth = 1.1f;
// Share of the duration below which a remaining last step is dropped.
constexpr float kDroppedRemainder = 0.001f;
// Above 1414 C silicon is molten: no solid-state diffusion model applies.
constexpr float kSiliconMeltingKelvin = 1414.0f + 273.0f;
// Below the smallest normal 4-byte real a step of 1.1 TAU rounds back to
// TAU and the time never reaches TM.
constexpr float kShortestFirstStep = std::numeric_limits<float>::min();

// One dopant of the outer iteration.
struct Diffusant {
  int sel_code;                  // DOPSEL code
  int present_index;             // index into DOPCNT (phosphorus, boron, arsenic)
  std::vector<float>* C;         // its concentration
  std::vector<float>* C_old;     // at the start of the time step
  std::vector<float>* O1;        // the two others in DOPSEL order
  std::vector<float>* O1_old;
  std::vector<float>* O2;
  std::vector<float>* O2_old;
  float XD;                      // surface-source window
};

class ThermalStepRunner {
 public:
  ThermalStepRunner(ProcessRun& run, const ThermalStep& step)
      : run_(run), st_(step), m_(run.mesh),
        blocks_{run.bndcon, run.difcon, run.oedcon, run.oxdcon, run.wetcon, run.loccon,
                run.segcon} {}

  ThermalOutcome run() {
    if (!(st_.TAU > 0.0f)) sim::ERRSTOP(" Thermal step needs a first time step TAU > 0");
    if (st_.TAU < kShortestFirstStep)
      sim::ERRSTOP(" Thermal step: first time step TAU too short to advance the time");
    if (!(st_.T <= kSiliconMeltingKelvin))
      sim::ERRSTOP(" Thermal step above the melting point of silicon (1414 C) cannot be simulated");
    const sim::Console& console = run_.console;
    k_ = COEFFT(st_.T, st_.OR, st_.OX, st_.POX, blocks_);
    std::fill(m_.oed_factor.begin(), m_.oed_factor.end(), 1.0f);
    const CPUTIM clock;
    // The surface of every column as this thermal step finds it; an
    // oxidation consumes silicon below it (a second oxidation continues
    // from where the first one left the surface).
    y_start_ = m_.YSURF;
    m_.ysurf_before_step = m_.YSURF;
    m_.isurf_before_step = m_.ISURF;
    const float eps = 2.0f * run_.solcon.RS / run_.solcon.CO;
    ensure_history_room();

    ThermalOutcome out;
    float t = 0.0f, x_prev = 0.0f, R = 0.0f, dt = st_.TAU;
    int step = 1;
    for (;;) {
      if (st_.OX != 0) R = oxidise(t, dt, x_prev);
      const bool converged = fault_ == StateFault::none && iterate(step, dt, R, eps);
      out.TAU = dt;
      out.time_steps = step;
      if (fault_ != StateFault::none) {
        out.fault = fault_;
        return out;
      }
      if (!converged) ++out.capped_steps;
      t = t + dt;
      ++step;
      dt = kStepGrowth * dt;
      if (t + dt <= st_.TM) continue;
      dt = st_.TM - t;
      if (dt >= kDroppedRemainder * st_.TM) continue;
      break;
    }

    int minutes = 0, seconds = 0;
    clock.elapsed(minutes, seconds);
    console.out << timing_line(st_.TM, minutes, seconds) << '\n';
    finish_surface();
    return out;
  }

 private:
  // Grows the oxide to the end of the time step and moves the silicon
  // surface of every column; returns the growth-rate factor of OED.
  float oxidise(float t, float dt, float& x_prev) {
    const OxideShape shape = LOCOSHP(t + dt, st_.T, st_.U0, st_.OR, k_, run_.loccon);
    const float rate = (shape.x_ox - x_prev) * 3600.0f / dt;
    const float R = std::pow(std::max(rate, 0.0f), run_.oedcon.OEOX);
    x_prev = shape.x_ox;
    if (!std::isfinite(shape.x_ox)) {
      fault_ = StateFault::oxide_thickness;
      return R;
    }
    m_.JSMAX = 1;
    for (int i = 1; i <= m_.NX; ++i) {
      m_.ysurf_before_step[i - 1] = m_.YSURF[i - 1];
      m_.isurf_before_step[i - 1] = m_.ISURF[i - 1];
      float consumed = LOCOERF(m_.X[i - 1], st_.XO, st_.U0, shape);
      if (consumed < kNoConsumption) consumed = 0.0f;
      const float y0 = y_start_[i - 1] + consumed;
      if (!std::isfinite(y0)) {
        fault_ = StateFault::oxide_thickness;
        return R;
      }
      m_.YSURF[i - 1] = y0;
      m_.ISURF[i - 1] = surface_row(y0);
      m_.JSMAX = std::max(m_.JSMAX, m_.ISURF[i - 1]);
    }
    OEDLAT(st_.XO, m_.NX, m_.NY, m_.X, m_.Y, m_.YSURF, run_.oedcon, m_.oed_factor);
    return R;
  }

  // The linear solver records the measure of every iteration it performs.
  // A SOLVE statement after MESH may have raised IT beyond the history.
  void ensure_history_room() {
    const int needed = residual_history_length(run_.solcon.IT);
    if (m_.residual_history.size() < std::size_t(needed))
      m_.residual_history.resize(std::size_t(needed), 0.0f);
  }

  // First row at or below depth y0.
  int surface_row(float y0) const {
    for (int j = 1; j <= m_.NY; ++j)
      if (m_.Y[j - 1] >= y0) return j;
    sim::ERRSTOP(" Oxidation consumed the silicon below the bottom of the mesh, make the mesh deeper");
  }

  std::vector<Diffusant> diffusants() {
    return {
        {kSelPhosphorus, 0, &m_.CPHOS, &m_.phos_start, &m_.CBOR, &m_.bor_start, &m_.CARS,
         &m_.ars_start, st_.XD_P},
        {kSelBoron, 1, &m_.CBOR, &m_.bor_start, &m_.CPHOS, &m_.phos_start, &m_.CARS, &m_.ars_start,
         st_.XD_B},
        {kSelArsenic, 2, &m_.CARS, &m_.ars_start, &m_.CPHOS, &m_.phos_start, &m_.CBOR,
         &m_.bor_start, st_.XD_As},
    };
  }

  DopantParams working_parameters(int sel_code, float R) const {
    DopantParams p = DOPSEL(sel_code, k_);
    if (sel_code == kSelPhosphorus) {
      p.g = k_.g_P, p.lambda = 1.0f, p.oed = k_.O_P * R, p.sigma = 0.0f;
    } else if (sel_code == kSelBoron) {
      p.g = k_.g_B, p.lambda = k_.lambda_B, p.oed = k_.O_B * R, p.sigma = 1.0f;
    } else {
      p.g = k_.g_As, p.lambda = 1.0f, p.oed = k_.O_As * R, p.sigma = 0.0f;
    }
    return p;
  }

  // Outer iteration of one time step; false when it stopped at the cap or
  // at a solve that left a concentration that is not finite (fault_ set,
  // no iteration line).
  bool iterate(int step, float dt, float R, float eps) {
    m_.phos_start = m_.CPHOS;
    m_.bor_start = m_.CBOR;
    m_.ars_start = m_.CARS;
    const std::vector<Diffusant> list = diffusants();
    for (int iteration = 1;; ++iteration) {
      float change[3] = {0.0f, 0.0f, 0.0f};
      for (const Diffusant& d : list) {
        if (run_.dopcnt[d.present_index] == 0) continue;
        change[d.present_index] = solve(d, dt, R);
        if (!all_finite(*d.C)) {
          fault_ = StateFault::concentration;
          return false;
        }
      }
      run_.console.out << iteration_line(step, iteration, change[0], change[1], change[2]) << '\n';
      const bool converged = change[0] < eps && change[1] < eps && change[2] < eps;
      if (converged) return true;
      if (iteration >= kOuterIterationCap) {
        run_.console.out << " Time step" << sim::ftn::I(step, 5) << " not converged after"
                         << sim::ftn::I(kOuterIterationCap, 4)
                         << " iterations, going on with the next time step" << '\n';
        return false;
      }
    }
  }

  // Assembles and solves one dopant; returns its relative change.
  float solve(const Diffusant& d, float dt, float R) {
    std::vector<float>& C = *d.C;
    m_.previous_iterate = C;
    const DopantParams p = working_parameters(d.sel_code, R);
    const AssemblyMesh mesh{m_.NX, m_.NY, m_.X, m_.rhx, m_.wx, m_.Y, m_.rhy, m_.wy,
                            m_.cdown, m_.cup, m_.cleft, m_.cright};
    const SurfaceState surface{m_.YSURF, m_.ysurf_before_step, m_.ISURF, m_.isurf_before_step,
                               m_.JSMAX};
    const DopantLevels levels{m_.previous_iterate, *d.C_old, *d.O1, *d.O1_old, *d.O2, *d.O2_old};
    const DiffusionSystem sys{m_.CMNX, m_.CPNX, m_.CM1, m_.CP1, m_.C0, m_.rhs};
    ASSEMB(mesh, surface, levels, d.XD, dt, p, m_.oed_factor, sys, {m_.south_dc, m_.south_dx});

    const SOLCON& s = run_.solcon;
    const sim::FiveDiagonal<float> A{m_.CM1, m_.CMNX, m_.CP1, m_.CPNX, m_.C0, m_.NX, m_.NN};
    const sim::ZedermArgs<float> args{A,
                                      m_.rhs,
                                      C,
                                      s.RS,
                                      s.RL,
                                      s.IT,
                                      s.IP,
                                      m_.solve_P,
                                      m_.solve_Q,
                                      m_.solve_R,
                                      {m_.LMNX, m_.LM1, m_.PIV, m_.LMNX1, m_.UPNX1, m_.UP1},
                                      m_.residual_history,
                                      {}};
    sim::ZEDERM<float>(args, run_.console.out);
    return UPDCON(m_.NX, m_.NY, C, m_.previous_iterate, s.CO);
  }

  // Oxide thickness S of every column and the surface copies at the end.
  void finish_surface() {
    for (int i = 1; i <= m_.NX; ++i) m_.S[i - 1] = m_.YSURF[i - 1] / kSiliconPerOxide;
    m_.ysurf_before_step = m_.YSURF;
    m_.isurf_before_step = m_.ISURF;
    m_.isurf_last_step = m_.ISURF;
  }

  ProcessRun& run_;
  const ThermalStep& st_;
  ProcessMesh& m_;
  ModelBlocks blocks_;
  StepCoefficients k_;
  std::vector<float> y_start_;
  StateFault fault_ = StateFault::none;
};

}  // namespace

ThermalOutcome THERMSTP(ProcessRun& run, const ThermalStep& step) {
  return ThermalStepRunner(run, step).run();
}

float UPDCON(int NX, int NY, std::span<const float> C, std::span<const float> C_prev,
             float floor) {
  float change = 0.0f;
  const std::size_t nn = std::size_t(std::max(NX, 0)) * std::size_t(std::max(NY, 0));
  for (std::size_t k = 0; k < nn; ++k) {
    const float difference = std::abs(C[k] - C_prev[k]);
    if (difference == 0.0f) continue;  // no change, also with a zero floor
    const float magnitude = std::max(std::abs(C[k]), std::abs(C_prev[k]));
    const float v = difference / (floor + magnitude);
    // A solve that left non-finite values has not converged.
    if (std::isnan(v)) return std::numeric_limits<float>::infinity();
    change = std::max(change, v);
  }
  return change;
}

void CPUTIM::elapsed(int& minutes, int& seconds) const {
  const auto d = std::chrono::steady_clock::now() - start_;
  const long long total = std::chrono::duration_cast<std::chrono::seconds>(d).count();
  minutes = int(total / 60);
  seconds = int(total % 60);
}

std::string iteration_line(int step, int iteration, float dP, float dB, float dAs) {
  using sim::ftn::F;
  using sim::ftn::I;
  return "Time step " + I(step, 4) + " Iteration " + I(iteration, 2) + " P " + F(dP, 6, 4) +
         " B " + F(dB, 6, 4) + " As " + F(dAs, 6, 4);
}

std::string timing_line(float TM, int clock_min, int clock_s) {
  using sim::ftn::I;
  // Durations beyond the integer range print as asterisks anyway.
  const float tm = std::clamp(TM, -1e9f, 1e9f);
  const int minutes = int(tm / 60.0f);
  const int seconds = int(tm) - 60 * minutes;
  return "  Elapsed time " + I(minutes, 3) + " min " + I(seconds, 2) + " s;       CPU time " +
         I(clock_min, 3) + " min " + I(clock_s, 2) + " s";
}

}  // namespace tavik
