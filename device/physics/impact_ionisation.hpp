#pragma once
// Impact-ionisation generation from the current densities and the field
// component along the current.
#include <span>

#include "device/run_state.hpp"

namespace devora {

// Coefficient pair of one field range: alpha = A exp(-B/E).
struct IonisationPair {
  double A;
  double B;
};

// The pair of the field range that holds E, tested in this order:
// [E0, E1) -> (A1, B1); [E1, E2) -> (A2, B2); below E2 -> (A0, B0);
// otherwise (A3, B3). With ascending breakpoints: below E0 the pair 0, then
// the pairs 1, 2 and from E2 on the pair 3.
IonisationPair IONRANGE(double E, const IonisationSet& set);
inline IonisationPair IONRNGN(const AVLN& avln, double E) { return IONRANGE(E, avln.n); }
inline IonisationPair IONRNGP(const AVLN& avln, double E) { return IONRANGE(E, avln.p); }

// Impact ionisation of carrier k at every node from its current density
// run.models.carrier[k].JX/JY and the potential gradient (GX, GY): the
// rate into carrier[k].GI, the implicit weights into carrier[k].AIX/AIY,
// and the rate added to run.models.GII except at oxide nodes. Border
// columns and rows take no current and gradient normal to the border.
void IONCOEF(DeviceRun& run, Carrier k, std::span<const double> GX, std::span<const double> GY);

// Clears run.models.GII and fills it with the impact ionisation of both
// carriers, both driven by the gradient of run.nodes.PSI (computed into
// the caller's work arrays GXW, GYW, one entry per node). Returns GMEAN,
// the area-weighted mean of GII over the nodes where it exceeds the
// generation floor SOLV GMIN; 0 when there is none.
double IMPION(DeviceRun& run, std::span<double> GXW, std::span<double> GYW);

}  // namespace devora
