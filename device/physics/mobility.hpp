#pragma once
// Carrier mobility models. Every value is in internal units: fields in E0,
// doping in NI, and a mobility returned as a diffusivity (mobility times VT)
// in cm2/s. Each model is written once and takes the parameter set of the
// carrier it evaluates.
#include "device/blocks.hpp"
#include "device/run_state.hpp"

namespace devora {

// Mobility of carrier k on a mesh edge, by the model IGRID MOBMOD selects:
// 2 field- and doping-dependent (YAMA), 3 surface model (LOMB), 4 bipolar
// model (BIPO), any other value the constant mobility (CONM). e_par and
// e_perp are the field magnitudes along and across the current, n_total the
// total doping of the edge.
double MOBIL(const DeviceRun& run, double e_par, double e_perp, double n_total, Carrier k);

// YAMA model with the set of carrier k.
double MOBYAM(const DeviceRun& run, double e_par, double e_perp, double n_total, Carrier k);

// YAMA model: doping and transverse-field reduction of U0, then saturation
// with VS and VC.
double MOBYAF(const YamaguchiSet& set, double e_par, double e_perp, double n_total);

// LOMB model: acoustic-phonon, bulk and surface-roughness terms added as
// inverse mobilities, then velocity saturation. Only the electron bulk term
// subtracts U0 from its doping-dependent part. temp is the lattice
// temperature in kelvin; density_scale (NI, cm-3) converts the doping of the
// acoustic-phonon term back to cm-3.
double MOBLOM(const LombardiSet& set, Carrier k, double e_par, double e_perp, double n_total, double temp,
              double density_scale);

// The parts of the LOMB model that depend on the doping alone, so that a
// caller can keep them per mesh edge: C0 (N NI)^CPO of the acoustic-phonon
// term and the whole bulk term.
struct LombardiDopingTerms {
  double acoustic = 0.0;
  double bulk = 0.0;
};
LombardiDopingTerms lombardi_doping_terms(const LombardiSet& set, Carrier k, double n_total, double temp,
                                          double density_scale);
// LOMB model from its doping terms; MOBLOM gives the same value bit for bit.
double lombardi_mobility(const LombardiSet& set, const LombardiDopingTerms& doping, double e_par, double e_perp,
                         double temp);

// BIPO model: doping- and temperature-dependent low-field mobility, reduced
// by the transverse field and saturated with VST. temp in kelvin.
double MOBBIP(const BipolarSet& set, double e_par, double e_perp, double n_total, double temp);

}  // namespace devora
