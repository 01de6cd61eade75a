#include "process/process_deck.hpp"

#include "common/fatal_stop.hpp"
#include "process/process_setup.hpp"
#include "process/process_steps.hpp"

namespace tavik {

namespace {

// Slots shared by the process statements.
constexpr int kImplantCS = 5;  // after XM DZ EN XD
constexpr int kDepositionXD = 1, kDepositionCS = 2;

// Surface concentrations at or below 1e14 cm-3 (implant) or 1e12 cm-3
// (deposition) open no surface-source window.
constexpr float kImplantSourceFloor = 1e-6f;
constexpr float kDepositionSourceFloor = 1e-8f;
constexpr float kWholeSurface = 1e10f;  // window over the whole surface
constexpr float kCelsiusToKelvin = 273.0f;
constexpr float kMinimumInitialOxide = 0.03f;  // microns
constexpr float kMinimumGrading = 1e-5f;

// Thermal steps of OXID and ANNE run above 275 K with a positive duration,
// the heat cycle of an epitaxy from 300 K.
constexpr float kThermalFloorKelvin = 275.0f;
constexpr float kEpitaxyFloorKelvin = 300.0f;

int dopant_of(int k) {
  switch (k) {
    case kPHIM: case kPHDE: return kPhosphorus;
    case kBOIM: case kBODE: return kBoron;
    default: return kArsenic;
  }
}

// A given concentration in cm-3 becomes a background in units of 1e20 and
// marks its dopant present (also when it is 0).
void take_backgrounds(ProcessRun& run, int first_slot) {
  for (int code = kPhosphorus; code <= kArsenic; ++code) {
    const int j = first_slot + code - 1;
    if (!run.params.given(j)) continue;
    run.substrate.background(code) = internal_concentration(run.params.value(j));
    run.count_of(code) = 1;
  }
}

void reset_backgrounds(ProcessRun& run) {
  run.substrate.P = run.substrate.B = run.substrate.As = run.solcon.CO;
}

void take_surface_concentration(ProcessRun& run, DopantValues& d, int slot) {
  if (run.params.given(slot)) d.CS = internal_concentration(run.params.value(slot));
}

// The outer iteration of a thermal step converges when every relative
// change lies below 2 RS / CO. A floor CO at or below 0 (also one below the
// range of 4-byte reals once divided by 1e20) makes that threshold infinite
// or negative; a tolerance RS at or below 0 makes it unreachable, so every
// time step would run into the iteration cap.
void require_convergence_threshold(const SOLCON& s) {
  if (!(s.CO > 0.0f)) sim::ERRSTOP(" SOLVE needs a concentration floor CO > 0");
  if (!(s.RS > 0.0f)) sim::ERRSTOP(" SOLVE needs a solver tolerance RS > 0");
}

StepPlan take_implant(ProcessRun& run, int code) {
  ++run.count_of(code);
  DopantValues& d = run.values_of(code);
  d.XM = 0.0f;
  sim::STORPAR(run.params, 0, {&d.XM, &d.DZ, &d.EN, &d.XD});
  take_surface_concentration(run, d, kImplantCS);
  if (d.CS <= kImplantSourceFloor) d.XD = 0.0f;
  StepPlan plan;
  plan.dopant = code;
  plan.implant = true;
  return plan;
}

StepPlan take_deposition(ProcessRun& run, int code) {
  ++run.count_of(code);
  DopantValues& d = run.values_of(code);
  d.XD = 0.0f;
  sim::STORPAR(run.params, kDepositionXD - 1, {&d.XD});
  if (d.XD == 0.0f) d.XD = kWholeSurface;
  take_surface_concentration(run, d, kDepositionCS);
  if (d.CS <= kDepositionSourceFloor) d.XD = 0.0f;
  StepPlan plan;
  plan.dopant = code;
  plan.deposition = true;
  return plan;
}

// OXID and ANNE heat the wafer when the furnace lies above 275 K and the
// step has a duration.
StepPlan furnace_plan(const ThermalValues& t) {
  StepPlan plan;
  plan.T = t.TC + kCelsiusToKelvin;
  plan.thermal = plan.T > kThermalFloorKelvin && t.TM > 0.0f;
  return plan;
}

StepPlan take_oxidation(ProcessRun& run) {
  ThermalValues& t = run.thermal;
  t.OX = 0;
  t.XO = 0.0f;
  sim::STORPAR(run.params, 0, {&t.TC, &t.TM, &t.TAU});
  sim::STORPAR(run.params, 3, {&t.OX});
  sim::STORPAR(run.params, 4, {&t.POX, &t.U0, &t.XO});
  if (t.XO == 0.0f) t.XO = kWholeSurface;
  if (t.U0 < kMinimumInitialOxide) t.U0 = kMinimumInitialOxide;
  if (t.OX != 0) ++run.oxidation_count;
  return furnace_plan(t);
}

StepPlan take_anneal(ProcessRun& run) {
  ThermalValues& t = run.thermal;
  t.OX = 0;
  t.XO = 0.0f;
  sim::STORPAR(run.params, 0, {&t.TC, &t.TM, &t.TAU});
  return furnace_plan(t);
}

StepPlan take_epitaxy(ProcessRun& run) {
  EpitaxyValues& e = run.epitaxy;
  e.TH = 0.0f;
  reset_backgrounds(run);
  e.TAU = 1.0f;
  sim::STORPAR(run.params, 0, {&e.TH});
  take_backgrounds(run, 2);
  if (run.params.given(5)) {
    e.TC = run.params.value(5);
    e.T = e.TC + kCelsiusToKelvin;
  }
  sim::STORPAR(run.params, 5, {&e.TM, &e.TAU});
  StepPlan plan;
  plan.T = e.T;
  plan.grow_layer = e.TH > 0.0f;
  plan.thermal = plan.grow_layer && e.T >= kEpitaxyFloorKelvin;
  return plan;
}

}  // namespace

bool is_process_statement(int k) {
  return (k >= kPHIM && k <= kEPIT) || (k >= kPHDE && k <= kANNE);
}

void read_parameters(ProcessRun& run, sim::DeckReader& reader, int k) {
  sim::ParamBuffer<float>& p = run.params;
  p.begin_statement(run.table.keywords[k - 1], run.table.slice_names(k), run.table.slice_kinds(k));
  for (int j = 1; j <= kSliceLength; ++j) p.value(j) = 0.0f;
  p.end_of_deck = false;
  sim::RDPARM(reader, p);
}

void store_model_statement(ProcessRun& run, int k) {
  const sim::ParamBuffer<float>& p = run.params;
  switch (k) {
    case kBAND: {
      BNDCON& b = run.bndcon;
      sim::STORPAR(p, 0, {&b.CINT, &b.EINT, &b.EGAP});
      break;
    }
    case kDIFF: {
      DIFCON& d = run.difcon;
      sim::STORPAR(p, 0, {&d.DX0A, &d.DXEA, &d.BETA, &d.DX0B, &d.DXEB, &d.BETB, &d.DX0P, &d.DXEP,
                          &d.DMP, &d.DMEP, &d.DMMP, &d.DMME});
      break;
    }
    case kOED: {
      OEDCON& o = run.oedcon;
      sim::STORPAR(p, 0, {&o.OEA0, &o.OEA1, &o.OEB0, &o.OEB1, &o.OEP0, &o.OEP1, &o.OEE, &o.OELY,
                          &o.OELX, &o.OEOX});
      break;
    }
    case kDROX: {
      OXDCON& o = run.oxdcon;
      sim::STORPAR(p, 0, {&o.BD, &o.BAD, &o.BDE, &o.BADE, &o.BPF});
      break;
    }
    case kWEOX: {
      WETCON& w = run.wetcon;
      sim::STORPAR(p, 0, {&w.OR0, &w.OR1, &w.TCP, &w.BW1, &w.BWE1, &w.BW2, &w.BWE2, &w.TCL,
                          &w.BAW1, &w.BAE1, &w.BAW2, &w.BAE2});
      break;
    }
    case kLOCO: {
      LOCCON& l = run.loccon;
      sim::STORPAR(p, 0, {&l.KHI0, &l.KHI1, &l.DEL0, &l.DEL1, &l.DEL2, &l.DEL3, &l.DEL4, &l.DEL5,
                          &l.GAM0, &l.GAM1, &l.GAM2, &l.GAM3, &l.GAM4, &l.GAM5});
      break;
    }
    case kSEGR: {
      SEGCON& s = run.segcon;
      sim::STORPAR(p, 0, {&s.SEGA, &s.SEGP, &s.SGBD, &s.SBDE, &s.SBW0, &s.SBW1, &s.SBWE, &s.ALAM,
                          &s.ELAM});
      break;
    }
    case kSOLVE: {
      SOLCON& s = run.solcon;
      sim::STORPAR(p, 0, {&s.IB, &s.IT});
      sim::STORPAR(p, 2, {&s.RS, &s.RL});
      if (p.given(5)) s.CO = internal_concentration(p.value(5));
      sim::STORPAR(p, 5, {&s.IP});
      require_convergence_threshold(s);
      // A dopant whose background lies above the new floor takes part in
      // the thermal steps.
      for (int code = kPhosphorus; code <= kArsenic; ++code)
        if (run.substrate.background(code) > s.CO) run.count_of(code) = 1;
      break;
    }
    case kCOMM: {
      if (p.given(1)) run.comm.set_meth(p.text(1));
      if (p.given(2)) run.comm.set_proj(p.text(2));
      if (p.given(3)) run.comm.set_time(p.text(3));
      break;
    }
    default:
      break;
  }
}

void take_mesh_values(ProcessRun& run) {
  MeshValues& m = run.mesh_values;
  sim::STORPAR(run.params, 0, {&m.NX, &m.NY});
  sim::STORPAR(run.params, 2, {&m.XX, &m.YY});
  sim::STORPAR(run.params, 4, {&m.IM});
  sim::STORPAR(run.params, 5, {&m.AX, &m.AY});
  if (m.AX <= kMinimumGrading) m.AX = kMinimumGrading;
  if (m.AY <= kMinimumGrading) m.AY = kMinimumGrading;
}

void take_substrate_values(ProcessRun& run) {
  reset_backgrounds(run);
  take_backgrounds(run, 1);
  sim::STORPAR(run.params, 3, {&run.substrate.OR});
}

StepPlan take_step_values(ProcessRun& run, int k) {
  switch (k) {
    case kPHIM: case kBOIM: case kASIM: return take_implant(run, dopant_of(k));
    case kPHDE: case kBODE: case kASDE: return take_deposition(run, dopant_of(k));
    case kOXID: return take_oxidation(run);
    case kANNE: return take_anneal(run);
    case kEPIT: return take_epitaxy(run);
    default: return {};
  }
}

void run_statement_branch(ProcessRun& run, sim::DeckReader& reader, int k) {
  if (k == kRILE) return;  // accepted keyword without a list of its own
  read_parameters(run, reader, k);
  if (k == kMESH) {
    take_mesh_values(run);
    build_mesh(run);
  } else if (k == kSUBS) {
    require_mesh(run, k);
    take_substrate_values(run);
    fill_substrate(run);
  } else if (is_process_statement(k)) {
    run_process_statement(run, k);
  } else {
    store_model_statement(run, k);
  }
}

}  // namespace tavik
