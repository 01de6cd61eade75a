#include "device/setup/scaling.hpp"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "common/fatal_stop.hpp"
#include "device/setup/value_range.hpp"

namespace devora {

namespace {

// Constants of the scaling formulas that are 4-byte reals widened to 8 bytes;
// their exact values decide the scales.
constexpr double kDebyeFactor = static_cast<double>(0.1f);      // 0.10000000149011612
constexpr double kSurfaceFactor = static_cast<double>(0.01f);   // 0.009999999776482582
constexpr double kThirteenNinths = static_cast<double>(13.0f / 9.0f);
constexpr double kOneThird = static_cast<double>(1.0f / 3.0f);
constexpr double kLombardiExponent = static_cast<double>(0.3333f);

constexpr double kVt300 = 0.025851;    // thermal voltage at 300 K, V
constexpr double kBoltzmannEv = 8.62e-5;  // eV/K

bool positive_finite(double v) { return std::isfinite(v) && v > 0.0; }

// The band-gap narrowing takes ln(N/CONB) and sqrt(u^2 + CNSB).
void check_band_inputs(const RECOMB& r, const IGRID& g) {
  if (!(r.TEMP > 0.0)) sim::ERRSTOP(" BAND: temperature TEMP must be > 0 K");
  if (g.HVDO == 1 && !(r.CONB > 0.0 && r.CNSB >= 0.0))
    sim::ERRSTOP(" BAND: band-gap narrowing needs CONB > 0 and CNSB >= 0");
}

// Band gap, thermal voltage and the intrinsic density scale. NI uses the
// 300 K band parameters whatever the temperature.
void set_band_constants(DeviceRun& run) {
  SCALE& s = run.scale;
  RECOMB& r = run.recomb;
  COMCON& c = run.comcon;
  const double t = r.TEMP;
  s.NI = std::sqrt(r.ENC3 * r.ENV3) * std::exp(-r.EG30 / (2.0 * kVt300));
  s.VT = kVt300 * t / 300.0;
  c.EG = r.EG30 + r.EGAL * (300.0 * 300.0 / (300.0 + r.EGBE) - t * t / (t + r.EGBE));
  c.EG /= s.VT;
  if (!std::isfinite(c.EG)) sim::ERRSTOP(" BAND: EGAL and EGBE give no finite band gap at TEMP");
  c.FIM /= s.VT;
  c.FIS /= s.VT;
  c.PHI0 = c.FIS + c.EG / 2.0;
}

void set_scales(DeviceRun& run) {
  SCALE& s = run.scale;
  s.LD = kDebyeFactor * std::sqrt(s.EPS0 * s.EPSS * s.VT / (s.NI * s.Q));
  s.LDUM = 1e4 * s.LD;
  s.LD2 = s.LD * s.LD;
  s.E0 = s.VT / s.LD;
  RECOMB& r = run.recomb;
  r.VOBG /= s.VT;
  r.CONB /= s.NI;
  r.ETRA = std::exp(r.ETRA / s.VT);
  s.QS0 = s.E0 * s.EPS0 * kSurfaceFactor / s.Q;
  s.I0 = run.geom.ZZ * s.NI * s.Q * 1e-4;  // ZZ still in microns here
  s.J0 = s.NI * s.Q * 1e4 / s.LDUM;
  s.G0 = s.NI / s.LD2;
  // Every scale divides or multiplies results on their way to the files.
  const std::initializer_list<double> scales = {s.NI, s.LD, s.LD2, s.E0, s.QS0, s.J0, s.G0};
  if (!square_is_normal(s.LD) || !std::all_of(scales.begin(), scales.end(), positive_finite))
    sim::ERRSTOP(" BAND/PERM: the parameters give no finite intrinsic density and Debye length");
}

// The SRH factor 1/(tau_p (n + ...) + tau_n (p + ...)) is finite when one
// lifetime is 0 (that carrier's capture is instant) but not when both are,
// and a negative lifetime can cancel the other term.
bool computable_lifetimes(double tau_n, double tau_p) {
  return tau_n >= 0.0 && tau_p >= 0.0 && (tau_n > 0.0 || tau_p > 0.0);
}

// The SRH factor divides by the lifetimes and their reference densities.
void check_lifetimes(const DeviceRun& run) {
  if (!computable_lifetimes(run.recomb.carrier.n.TAU, run.recomb.carrier.p.TAU))
    sim::ERRSTOP(" SRH: lifetimes TAUN and TAUP must be >= 0 and not both 0");
  if (!(run.recomb.carrier.n.NSR > 0.0 && run.recomb.carrier.p.NSR > 0.0))
    sim::ERRSTOP(" SRH: reference densities NSRN and NSRP must be > 0");
  const RCMRG& g = run.rcmrg;
  for (std::size_t i = 0; i < static_cast<std::size_t>(g.NRC); ++i)
    if (!computable_lifetimes(g.TNRR[i], g.TPRR[i]))
      sim::ERRSTOP(" RCMR: lifetimes TNRR and TPRR must be >= 0 and not both 0");
}

void scale_recombination(DeviceRun& run) {
  const SCALE& s = run.scale;
  check_lifetimes(run);
  for (CarrierRecombination* c : {&run.recomb.carrier.n, &run.recomb.carrier.p}) {
    c->AUG *= s.LD2 * s.NI * s.NI;
    c->TAU /= s.LD2;
    c->NSR /= s.NI;
    for (double* v : {&c->VSL, &c->VSR, &c->VST, &c->VSB}) *v *= s.LD;
  }
  run.recomb.RATE *= s.LD2 * s.NI;
}

// The tunnelling models divide by FPH - 1 and take the critical fields to
// the power -1.5 (phonon-assisted) or exp(-BBE/E) at fields down to 1e-25
// (local): parameters outside these ranges give 1/0 or overflow. Only the
// selected model is checked; its derived fields are computed always.
void check_band_to_band(int mode, const BANDBAND& b, double eg) {
  if (mode < 0 || mode > 2) sim::ERRSTOP(" MODE: BBTL must be 0, 1 or 2");
  if (mode == 1 && !(b.BBE >= 0.0)) sim::ERRSTOP(" BBTL: BBE must be >= 0 with MODE BBTL = 1");
  if (mode != 2) return;
  if (!(b.EPHS > 0.0 && b.EPHS < eg && b.FPH > 1.0))
    sim::ERRSTOP(" BBTL: EPHS must lie between 0 and the band gap with MODE BBTL = 2");
  if (!(b.BBES > 0.0)) sim::ERRSTOP(" BBTL: BBES must be > 0 with MODE BBTL = 2");
}

void scale_band_to_band(DeviceRun& run) {
  const SCALE& s = run.scale;
  BANDBAND& b = run.bandband;
  const double eg = run.comcon.EG;
  const double egv = s.VT * eg;  // band gap in volts
  b.BBA = b.BBA * s.E0 * s.E0 / (s.G0 * std::sqrt(egv));
  b.BBE = b.BBE * std::pow(egv, 1.5) / s.E0;
  b.BBAS = b.BBAS * s.E0 * s.E0 / s.G0;
  b.BBES = b.BBES * std::pow(s.VT, 1.5) / s.E0;
  b.EPHS /= s.VT;
  b.BBP = b.BBES * std::pow(eg + b.EPHS, 1.5);
  b.BBM = b.BBES * std::pow(eg - b.EPHS, 1.5);
  b.FPH = std::exp(b.EPHS);
  check_band_to_band(run.igrid.BBTL, b, eg);
}

void scale_quantum_correction(DeviceRun& run) {
  const SCALE& s = run.scale;
  QUANTUM& q = run.quantum;
  const double field_term = s.EPSS * s.EPS0 * kSurfaceFactor * s.E0 * s.E0 /
                            (4.0 * kBoltzmannEv * s.Q * run.recomb.TEMP);
  q.QMBE = kThirteenNinths * (q.QMBE / s.VT) * std::pow(field_term, kOneThird);
  q.QMDE /= s.LDUM;
}

// Mobilities become diffusivities in units of 1 cm2/s; fields in units of E0.
void scale_mobilities(DeviceRun& run) {
  const SCALE& s = run.scale;
  run.cumcon.UM0.n *= s.VT;
  run.cumcon.UM0.p *= s.VT;
  for (YamaguchiSet* m : {static_cast<YamaguchiSet*>(&run.cumn), static_cast<YamaguchiSet*>(&run.cump)}) {
    m->U0 *= s.VT;
    m->RS /= s.NI;
    m->AL *= s.E0;
    m->VS *= s.LD;
    m->VC *= s.LD;
  }
  const double c3 = std::pow(s.E0, kLombardiExponent);
  for (LombardiSet* m : {&run.mobkib.n, &run.mobkib.p}) {
    m->B = s.VT * m->B / s.E0;
    m->C0 = s.VT * m->C0 / c3;
    for (double* v : {&m->U0, &m->UMA, &m->UL}) *v *= s.VT;
    for (double* v : {&m->CR, &m->CS, &m->PC}) *v /= s.NI;
    m->DEL /= s.E0;
    m->VSA *= s.LD;
  }
  for (BipolarSet* m : {&run.medmob.n, &run.medmob.p}) {
    m->UMIN *= s.VT;
    m->UMAX *= s.VT;
    m->CRF /= s.NI;
    m->EC /= s.E0;
    m->VST *= s.LD;
  }
}

void scale_electrodes(DeviceRun& run) {
  const SCALE& s = run.scale;
  ELECTAB& e = run.electab;
  for (std::size_t i = 0; i < static_cast<std::size_t>(e.NEL); ++i) {
    for (double* v : {&e.XLT[i], &e.XRT[i], &e.TOX[i], &e.XQS[i], &e.AQS[i]}) *v /= s.LDUM;
    e.QSH[i] /= s.QS0;
    e.QSG[i] /= s.QS0;
    e.VSN[i] *= s.LD;
    e.VSP[i] *= s.LD;
    e.FIM[i] /= s.VT;
  }
}

void scale_box_geometry(BoxFields& box, std::size_t i, double ldum) {
  for (double* v : {&box.XLFT[i], &box.XRGT[i], &box.YTOP[i], &box.YBOT[i], &box.ALX[i], &box.ALY[i]})
    *v /= ldum;
}

void scale_boxes(DeviceRun& run) {
  const SCALE& s = run.scale;
  for (std::size_t i = 0; i < static_cast<std::size_t>(run.dopbox.NDOP); ++i) {
    run.dopbox.DOP[i] /= s.NI;
    scale_box_geometry(run.dopbox, i, s.LDUM);
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(run.phobox.NPHO); ++i) {
    run.phobox.RATE[i] /= s.G0;
    scale_box_geometry(run.phobox, i, s.LDUM);
  }
}

// The oxide side charges are divided by the surface-charge scale alone.
void scale_regions(DeviceRun& run) {
  const SCALE& s = run.scale;
  OXIDE& o = run.oxide;
  for (std::size_t i = 0; i < static_cast<std::size_t>(o.NOXR); ++i) {
    for (double* v : {&o.XLFT[i], &o.XRGT[i], &o.YTOP[i], &o.YBOT[i]}) *v /= s.LDUM;
    for (double* v : {&o.QOXL[i], &o.QOXR[i], &o.QOXT[i], &o.QOXB[i]}) *v /= s.QS0;
  }
  RCMRG& g = run.rcmrg;
  for (std::size_t i = 0; i < static_cast<std::size_t>(g.NRC); ++i) {
    for (double* v : {&g.XLFT[i], &g.XRGT[i], &g.YTOP[i], &g.YBOT[i]}) *v /= s.LDUM;
    g.TNRR[i] /= s.LD2;
    g.TPRR[i] /= s.LD2;
    g.ETRR[i] = std::exp(g.ETRR[i] / s.VT);
    for (double* v : {&g.VNRL[i], &g.VNRR[i], &g.VNRT[i], &g.VNRB[i], &g.VPRL[i], &g.VPRR[i],
                      &g.VPRT[i], &g.VPRB[i]})
      *v *= s.LD;
  }
  REMCOM& m = run.remcom;
  for (std::size_t i = 0; i < static_cast<std::size_t>(m.NREM); ++i)
    for (double* v : {&m.XLFT[i], &m.XRGT[i], &m.YTOP[i], &m.YBOT[i]}) *v /= s.LDUM;
}

// Gate capacitance per area in internal units; other electrodes have none
// and carry no interface-charge spread.
void set_gate_capacitances(DeviceRun& run) {
  ELECTAB& e = run.electab;
  for (std::size_t i = 0; i < static_cast<std::size_t>(e.NEL); ++i) {
    const bool gate = e.TYPE[i] == kGate;
    e.COX[i] = gate ? run.scale.EPSD / e.TOX[i] : 0.0;
    if (!gate) e.AQS[i] = 1.0;
  }
}

void scale_geometry_and_bias(DeviceRun& run) {
  const SCALE& s = run.scale;
  for (double* v : {&run.geom.XX, &run.geom.YY, &run.geom.ZZ, &run.geom.HY0}) *v /= s.LDUM;
  for (double& v : run.curvtab.VSTE) v /= s.VT;
  for (double& v : run.curvtab.VSTART) v /= s.VT;
}

// A negative critical field makes alpha = A exp(-B/E) overflow where the
// field along the current is floored at 1e-20.
void check_ionisation(const AVLN& avln, int impi) {
  if (impi == 0) return;
  for (const IonisationSet* a : {&avln.n, &avln.p})
    if (!(a->B0 >= 0.0 && a->B1 >= 0.0 && a->B2 >= 0.0 && a->B3 >= 0.0))
      sim::ERRSTOP(" IONE: critical fields BN0..BN3 and BP0..BP3 must be >= 0 with MODE IMPI on");
}

void scale_ionisation(DeviceRun& run) {
  const SCALE& s = run.scale;
  check_ionisation(run.avln, run.igrid.IMPI);
  for (IonisationSet* a : {&run.avln.n, &run.avln.p}) {
    for (double* v : {&a->E0, &a->E1, &a->E2, &a->B0, &a->B1, &a->B2, &a->B3}) *v /= s.E0;
    for (double* v : {&a->A0, &a->A1, &a->A2, &a->A3}) *v *= s.LD;
  }
  run.comctrl.GMIN /= s.G0;
}

// The solution driver regrids the generated mesh on MESH 2 (both axes),
// 3 (x) and 4 (y), in IGRM passes.
bool regrids_mesh(const IGRID& g) { return g.MESH >= 2 && g.MESH <= 4 && g.IGRM >= 1; }

}  // namespace

void check_regrid_smoothing(double smth) {
  if (smth > 1.0) return;
  sim::ERRSTOP(" SOLV: SMTH must be > 1 when the mesh is regridded (SMTH = " + shown(smth) + ")");
}

void MATPAR(DeviceRun& run) {
  check_band_inputs(run.recomb, run.igrid);
  set_band_constants(run);
  set_scales(run);
  scale_recombination(run);
  scale_band_to_band(run);
  scale_quantum_correction(run);
  scale_mobilities(run);
}

void SCALSET(DeviceRun& run) {
  if (run.scaled) throw std::logic_error("SCALSET: the deck values are already in internal units");
  run.scaled = true;
  if (run.comctrl.BATC == 1) run.complt.ANSWER = 'N';
  if (regrids_mesh(run.igrid)) check_regrid_smoothing(run.comctrl.SMTH);
  MATPAR(run);
  scale_electrodes(run);
  scale_boxes(run);
  scale_regions(run);
  set_gate_capacitances(run);
  scale_geometry_and_bias(run);
  scale_ionisation(run);
}

}  // namespace devora
