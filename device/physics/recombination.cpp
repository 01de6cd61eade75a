#include "device/physics/recombination.hpp"

#include <cmath>
#include <cstddef>

namespace devora {

namespace {

// Below this intrinsic density the radiative term is left out.
constexpr double kRadiativeNiFloor = 1e-40;

// SRH lifetime reduced by the doping: TAU/(ASR + BSR (N/NSR) + CSR (N/NSR)^EXPO).
double doping_lifetime(const CarrierRecombination& c, double n_total) {
  const double ratio = n_total / c.NSR;
  return c.TAU / (c.ASR + c.BSR * ratio + c.CSR * std::pow(ratio, c.EXPO));
}

// SRH factor 1/(tau_p (n + n_i et) + tau_n (p + n_i/et)) of a trap whose
// level sets et = exp(E_trap/VT).
double srh_factor(double tau_n, double tau_p, double n, double p, double n_i, double et) {
  return 1.0 / (tau_p * (n + n_i * et) + tau_n * (p + n_i / et));
}

bool inside(const RCMRG& g, std::size_t r, double x, double y) {
  return g.XLFT[r] <= x && x <= g.XRGT[r] && g.YTOP[r] <= y && y <= g.YBOT[r];
}

// SRH factor of the recombination regions at (x, y): the last region that
// holds the point, bounds included, decides; 0 outside all of them.
double region_srh_factor(const RCMRG& g, double x, double y, double n, double p, double n_i) {
  double factor = 0.0;
  for (std::size_t r = 0; r < static_cast<std::size_t>(g.NRC); ++r)
    if (inside(g, r, x, y)) factor = srh_factor(g.TNRR[r], g.TPRR[r], n, p, n_i, g.ETRR[r]);
  return factor;
}

}  // namespace

Lifetimes doping_lifetimes(const RECOMB& rc, double n_total) {
  return {doping_lifetime(rc.carrier.n, n_total), doping_lifetime(rc.carrier.p, n_total)};
}

Recombination RECRAT(const DeviceRun& run, double x, double y, double n, double p, double n_total, double n_i) {
  return RECRAT(run, x, y, n, p, n_i, doping_lifetimes(run.recomb, n_total));
}

Recombination RECRAT(const DeviceRun& run, double x, double y, double n, double p, double n_i,
                     const Lifetimes& lifetimes) {
  const RECOMB& rc = run.recomb;
  const double tau_n = lifetimes.tau_n;
  const double tau_p = lifetimes.tau_p;
  const double radiative = rc.RATE != 0.0 && n_i > kRadiativeNiFloor ? rc.RATE : 0.0;
  const double auger = rc.carrier.n.AUG * n + rc.carrier.p.AUG * p;
  const double srh = srh_factor(tau_n, tau_p, n, p, n_i, rc.ETRA);
  const double srh_region = region_srh_factor(run.rcmrg, x, y, n, p, n_i);
  const double excess = n * p - n_i * n_i;
  Recombination r;
  r.rrad = radiative * excess;
  r.raug = auger * excess;
  r.rsrh = (srh + srh_region) * excess;
  r.F = radiative + auger + srh + srh_region;
  return r;
}

}  // namespace devora
