#include "process/process_steps.hpp"

#include <algorithm>
#include <array>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/run_header.hpp"
#include "process/doping_file.hpp"
#include "process/epitaxy.hpp"
#include "process/finite_state.hpp"
#include "process/implant.hpp"
#include "process/process_deck.hpp"
#include "process/process_setup.hpp"
#include "process/thermal_step.hpp"

namespace tavik {

namespace {

constexpr std::size_t kTitleCommentWidth = 60;

void clear_deposition_windows(ProcessRun& run) {
  for (DopantValues& d : run.dopant) d.XD = 0.0f;
}

// The implanted profile of an implant, or the surface source of a
// deposition (a deposition implants nothing), added to the dopant's array.
void implant_or_deposit(ProcessRun& run, const StepPlan& plan) {
  DopantValues& d = run.values_of(plan.dopant);
  ImplantStep step;
  step.kind = plan.deposition ? ImplantKind::deposition : ImplantKind::implant;
  step.dopant = plan.dopant;
  step.XD = d.XD;
  step.CS = d.CS;
  step.XM = d.XM;
  step.DZ = d.DZ;
  step.EN = d.EN;
  PROFIL2D(step, run.mesh, run.console);
  d.XM = step.XM;  // a mask-free implant returns the far edge it used
}

// The oxidant pressure enters the oxidation rate constants as a factor and
// as a power: an oxidation without a positive pressure has no growth rate.
void require_oxidant_pressure(const ThermalValues& t) {
  if (t.OX != 0 && !(t.POX > 0.0f)) sim::ERRSTOP(" Oxidation needs an oxidant pressure POX > 0");
}

// The thermal step itself stops when its first time step TAU is not positive.
StateFault oxidise_or_anneal(ProcessRun& run, const StepPlan& plan) {
  require_oxidant_pressure(run.thermal);
  StateFault fault = StateFault::none;
  if (plan.thermal) {
    // A later OXID or ANNE without TAU starts from the last positive step
    // length this one used.
    const ThermalValues& t = run.thermal;
    const ThermalStep step{run.values_of(kPhosphorus).XD, run.values_of(kBoron).XD,
                           run.values_of(kArsenic).XD, plan.T, t.TM, t.TAU, run.substrate.OR,
                           t.XO, t.OX, t.POX, t.U0};
    const ThermalOutcome outcome = THERMSTP(run, step);
    run.thermal.TAU = outcome.TAU;
    fault = outcome.fault;
  }
  clear_deposition_windows(run);
  return fault;
}

StateFault grow_epitaxial_layer(ProcessRun& run, const StepPlan& plan) {
  if (!plan.grow_layer) return StateFault::none;
  for (int code = kPhosphorus; code <= kArsenic; ++code)
    if (run.substrate.background(code) > run.solcon.CO) ++run.count_of(code);
  ProcessMesh& m = run.mesh;
  EPITAX(m.NX, m.NY, m.CPHOS, m.CBOR, m.CARS, m.Y, run.epitaxy.TH, run.substrate.P,
         run.substrate.B, run.substrate.As);
  if (plan.thermal) {
    // No surface-source window: the layer doping diffuses freely.
    const EpitaxyValues& e = run.epitaxy;
    const ThermalStep step{0.0f, 0.0f, 0.0f, plan.T, e.TM, e.TAU, run.substrate.OR,
                           0.0f, 0, 0.0f, run.thermal.U0};
    const ThermalOutcome outcome = THERMSTP(run, step);
    run.epitaxy.TAU = outcome.TAU;
    return outcome.fault;
  }
  return StateFault::none;
}

// Runs the step; returns the fault at which a thermal step stopped early.
StateFault run_step(ProcessRun& run, int k, const StepPlan& plan) {
  if (plan.implant || plan.deposition) {
    implant_or_deposit(run, plan);
  } else if (k == kOXID || k == kANNE) {
    return oxidise_or_anneal(run, plan);
  } else if (k == kEPIT) {
    return grow_epitaxial_layer(run, plan);
  }
  return StateFault::none;
}

[[noreturn]] void stop_non_finite(const ProcessRun& run, int k, StateFault fault) {
  sim::ERRSTOP(non_finite_message(step_title(k), sim::rtrim(run.table.keywords[k - 1]), fault));
}

// A step that left numbers beyond the range of 4-byte reals stops the run
// before the tail, so the doping file of the last sound step stays as it was.
void require_finite_state(const ProcessRun& run, int k, StateFault fault) {
  if (fault == StateFault::none) fault = non_finite_state(run.mesh);
  if (fault != StateFault::none) stop_non_finite(run, k, fault);
}

}  // namespace

std::string_view step_title(int k) {
  switch (k) {
    case kPHIM: return "Phosphorus implant: ";
    case kBOIM: return "Boron implant: ";
    case kASIM: return "Arsenic implant: ";
    case kOXID: return "Oxidation: ";
    case kEPIT: return "Epitaxy: ";
    case kPHDE: return "Phosphorus deposition: ";
    case kBODE: return "Boron deposition: ";
    case kASDE: return "Arsenic deposition: ";
    case kANNE: return "Inert annealing: ";
    default: return "";
  }
}

std::string step_title_line(int k, std::string_view comment) {
  return std::string(step_title(k)) + sim::fixed(comment, kTitleCommentWidth);
}

void FILLSURF(int NX, int NY, std::span<float> CPHOS, std::span<float> CBOR,
              std::span<float> CARS, std::span<const int> ISURF) {
  for (int i = 1; i <= NX; ++i) {
    const int m = std::min(ISURF[i - 1], NY);
    const std::size_t surface = std::size_t(i - 1) + std::size_t(m - 1) * std::size_t(NX);
    for (int j = 1; j < m; ++j) {
      const std::size_t n = std::size_t(i - 1) + std::size_t(j - 1) * std::size_t(NX);
      CPHOS[n] = CPHOS[surface];
      CBOR[n] = CBOR[surface];
      CARS[n] = CARS[surface];
    }
  }
}

bool common_tail(ProcessRun& run) {
  ProcessMesh& m = run.mesh;
  FILLSURF(m.NX, m.NY, m.CPHOS, m.CBOR, m.CARS, m.ISURF);
  run.run_title = sim::RUNHDR(run.comm, sim::RunHeaderKind::process);
  const ProcessMeshView mesh_view{m.X, m.Y, m.S};
  const DopantFields dopants{m.CPHOS, m.CBOR, m.CARS};
  const CarrierDoping doping{m.donor, m.acceptor, m.interp_donor, m.interp_acceptor};
  return OUTSTEP(std::string(sim::rtrim(run.doping_file)), run.solcon.IB, run.oxidation_count,
                 run.interpolation_state, mesh_view, dopants, run.run_title, doping, m.YSURF,
                 m.ISURF, run.console);
}

void run_process_statement(ProcessRun& run, int k) {
  require_mesh(run, k);
  if (k == kEPIT && run.oxidation_count > 0)
    sim::ERRSTOP("Epitaxy over oxide cannot be simulated, press <Enter> to continue");
  const StepPlan plan = take_step_values(run, k);
  if (run.params.given(kCommentSlot)) run.step_comment = run.params.text(kCommentSlot);
  run.console.out << step_title_line(k, run.step_comment) << '\n';
  run.step_comment = sim::fixed("", sim::kTextWidth);
  const StateFault fault = run_step(run, k, plan);
  require_finite_state(run, k, fault);
  // Finite concentrations can still overflow once scaled to cm-3.
  if (!common_tail(run)) stop_non_finite(run, k, StateFault::concentration);
}

}  // namespace tavik
