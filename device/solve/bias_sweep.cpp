#include "device/solve/bias_sweep.hpp"

#include <cmath>
#include <new>
#include <vector>

#include "common/fatal_stop.hpp"

#include "device/solve/continuation_guess.hpp"
#include "device/solve/gummel.hpp"

namespace devora {

namespace {

// Point e (0-based) of the I-V results: the voltages in volts, the
// currents and the Gummel status.
void record_point(DeviceRun& run, std::size_t e) {
  IvResults& iv = run.iv;
  try {
    iv.ensure_points(e + 1);
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(" Not enough memory for I-V data arrays");
  }
  const ELECTAB& el = run.electab;
  for (std::size_t k = 0; k < static_cast<std::size_t>(el.NEL); ++k) {
    iv.voltage(e, k) = el.VCON[k] * run.scale.VT;
    iv.current(e, k) = el.CURT[k];
  }
  iv.gummel_status(e) = run.comctrl.GSTAT;
}

// Completes the previous point e - 1 from point e: forward-difference
// transconductances per volt of the ramped electrode r, attached to the
// earlier point with the midpoint voltage as abscissa.
void complete_previous_point(DeviceRun& run, std::size_t e, std::size_t r, double vste) {
  IvResults& iv = run.iv;
  const std::size_t prev = e - 1;
  const double vt = run.scale.VT;
  for (std::size_t k = 0; k < static_cast<std::size_t>(run.electab.NEL); ++k)
    iv.transconductance(prev, k) = vste != 0.0 ? (iv.current(e, k) - iv.current(prev, k)) / vste / vt : 0.0;
  iv.mean_ramp_voltage(prev) = (iv.voltage(e, r) + iv.voltage(prev, r)) / 2.0;
  // A transconductance so small that its reciprocal overflows counts as none.
  const double resistance = 1.0 / iv.transconductance(prev, r);
  if (std::isfinite(resistance)) iv.resistance(prev) = resistance;
}

void shift_history(const DeviceRun& run, SweepHistory& h) {
  h.V_OLD = h.V_CUR;
  h.V_CUR = run.electab.VCON;
  h.PSI_OLD = h.PSI_CUR;
  h.PSI_CUR = run.nodes.PSI;
  h.ELEC_OLD = h.ELEC_CUR;
  h.ELEC_CUR = run.nodes.ELEC;
  h.HOLE_OLD = h.HOLE_CUR;
  h.HOLE_CUR = run.nodes.HOLE;
}

}  // namespace

void CURVE(DeviceRun& run, std::size_t c) {
  const std::size_t r = run.curvtab.ramped_electrode(c);
  const double vste = run.curvtab.VSTE[c];
  std::vector<double> dv(static_cast<std::size_t>(run.electab.NEL), 0.0);
  dv[r] = vste;
  SweepHistory history;
  for (int p = 1; p <= run.curvtab.NPNT[c]; ++p) {
    if (p >= 2) {
      if (p >= 3 && run.comctrl.CNTN != 0)
        CONSTE(run, history, dv);
      else
        CONTGUESS(run, dv);
      GUMMEL(run, 0.0);
    }
    const std::size_t e = static_cast<std::size_t>(run.IVCOUNT++);
    run.comuit.IVCNT = run.IVCOUNT;
    record_point(run, e);
    if (p >= 2) complete_previous_point(run, e, r, vste);
    shift_history(run, history);
  }
  run.console.out << " Computation completed \n";
}

}  // namespace devora
