#include "device/physics/mobility.hpp"

#include <algorithm>
#include <cmath>

namespace devora {

namespace {

// Values of the IGRID mobility switch.
constexpr int kYamaguchiModel = 2;
constexpr int kLombardiModel = 3;
constexpr int kBipolarModel = 4;

// The LOMB exponent of the transverse field is the 4-byte 0.3333.
constexpr double kLombardiExponent = static_cast<double>(0.3333f);  // 0.33329999446868896
// Keeps the transverse field of the LOMB terms away from zero.
constexpr double kFieldOffset = 2e-10;

// A field file can leave the total doping at 0, where the doping terms
// take 0/0 (PC/N with PC = 0, N/(N/S + RS) with RS = 0). So small a floor
// gives the N -> 0 limits and changes no physical doping.
constexpr double kDopingFloor = 1e-100;

double floored_doping(double n_total) { return std::max(n_total, kDopingFloor); }

// Saturation of a low-field mobility: mu/(1 + |mu E/v|^beta)^(1/beta).
double saturated(double mu_low, double e_par, double v_sat, double beta) {
  const double x = std::abs(mu_low * e_par / v_sat);
  return mu_low / std::pow(1.0 + std::pow(x, beta), 1.0 / beta);
}

double lombardi_bulk(const LombardiSet& s, Carrier k, double n, double temp) {
  const double offset = k == Carrier::electrons ? s.U0 : 0.0;
  return (s.UMA * std::pow(300.0 / temp, s.GAM) - offset) / (1.0 + std::pow(n / s.CR, s.ALP)) +
         s.U0 * std::exp(-s.PC / n) - s.UL / (1.0 + std::pow(s.CS / n, s.BET));
}

double lombardi_surface_roughness(const LombardiSet& s, double ep) {
  return s.UMA * std::pow(s.DEL / (ep + 0.1 * s.DEL), s.DEP);
}

}  // namespace

double MOBYAF(const YamaguchiSet& set, double e_par, double e_perp, double n_total) {
  const double n = floored_doping(n_total);
  const double mu_s = set.U0 / std::sqrt((1.0 + n / (n / set.S + set.RS)) * (1.0 + set.AL * e_perp));
  const double x = e_par * mu_s / set.VS;
  const double y = e_par * mu_s / set.VC;
  // Y^2/(Y + G) tends to 0 with the field, also for G = 0.
  const double y_term = y == 0.0 ? 0.0 : y * y / (y + set.G);
  return mu_s / std::sqrt(1.0 + x * x + y_term);
}

double MOBYAM(const DeviceRun& run, double e_par, double e_perp, double n_total, Carrier k) {
  const YamaguchiSet& set = k == Carrier::holes ? static_cast<const YamaguchiSet&>(run.cump) : run.cumn;
  return MOBYAF(set, e_par, e_perp, n_total);
}

LombardiDopingTerms lombardi_doping_terms(const LombardiSet& set, Carrier k, double n_total, double temp,
                                          double density_scale) {
  const double n = floored_doping(n_total);
  return {set.C0 * std::pow(n * density_scale, set.CPO), lombardi_bulk(set, k, n, temp)};
}

double lombardi_mobility(const LombardiSet& set, const LombardiDopingTerms& doping, double e_par, double e_perp,
                         double temp) {
  const double ep = std::abs(e_perp) + kFieldOffset;
  const double acoustic = set.B / ep + doping.acoustic / (temp * std::pow(ep, kLombardiExponent));
  const double mu_low = 1.0 / (1.0 / acoustic + 1.0 / doping.bulk + 1.0 / lombardi_surface_roughness(set, ep));
  return saturated(mu_low, e_par, set.VSA, set.BES);
}

double MOBLOM(const LombardiSet& set, Carrier k, double e_par, double e_perp, double n_total, double temp,
              double density_scale) {
  return lombardi_mobility(set, lombardi_doping_terms(set, k, n_total, temp, density_scale), e_par, e_perp, temp);
}

double MOBBIP(const BipolarSet& set, double e_par, double e_perp, double n_total, double temp) {
  const double t = temp / 300.0;
  const double mu_doping = set.UMIN + (set.UMAX * std::pow(t, set.UN) - set.UMIN) /
                                          (1.0 + std::pow(n_total / set.CRF, set.ALP) * std::pow(t, set.XI));
  const double mu_low = set.GSR * mu_doping / std::sqrt(1.0 + std::abs(e_perp / set.EC));
  return saturated(mu_low, e_par, set.VST, set.BET);
}

double MOBIL(const DeviceRun& run, double e_par, double e_perp, double n_total, Carrier k) {
  switch (run.igrid.MOBMOD) {
    case kYamaguchiModel:
      return MOBYAM(run, e_par, e_perp, n_total, k);
    case kLombardiModel:
      return MOBLOM(run.mobkib[k], k, e_par, e_perp, n_total, run.recomb.TEMP, run.scale.NI);
    case kBipolarModel:
      return MOBBIP(run.medmob[k], e_par, e_perp, n_total, run.recomb.TEMP);
    default:
      return run.cumcon.UM0[k];
  }
}

}  // namespace devora
