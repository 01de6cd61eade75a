#pragma once
// Line densities along one mesh axis (mesh lines per unit length, one value
// per line): refinement windows, implicit smoothing, and the placement of
// new lines by equidistribution.
#include <span>

#include "device/solve/heat_file.hpp"

namespace devora {

// A refinement window along one axis: `lines` more lines over [lower, upper].
struct DensityWindow {
  double lower = 0.0;
  double upper = 0.0;
  int lines = 0;
};

// Placement by equidistribution. D holds n values, h the n - 1 old spacings,
// hn receives the n - 1 new ones. D is first normalised in place so that its
// trapezoid integral is n - 1; each new interval then carries a unit of that
// integral. Intervals the walk leaves unplaced (rounding at the end) share
// the remaining length equally. A density whose integral is not positive and
// finite places nothing: D stays, hn = h.
void MECON(std::span<double> D, std::span<const double> h, std::span<double> hn);

// Implicit smoothing of D: backward-Euler steps of the heat equation
// W(k) dD/dt = C(k-1)(D(k-1) - D(k)) + C(k)(D(k+1) - D(k)) with no flux
// through the ends, where C(k) (n - 1 values) couples lines k and k+1 and
// W(k) (n values) is the capacity of line k. The first step is
// 0.1 max(W)^2, each further one 1.2 times longer. Stops once neighbouring
// values differ by a ratio below rmax, or after 1000 steps. Every step is
// recorded in `heat` under its ratio (smoothing_title).
void CURREM(HeatRecords& heat, std::span<const double> coordinates, std::span<double> D, std::span<const double> C,
            std::span<const double> W, double rmax);

// One tridiagonal system: lower(k) x(k-1) + diag(k) x(k) + upper(k) x(k+1)
// = rhs(k), by elimination in increasing k and back substitution; lower(0)
// and upper(n-1) are not read. All spans hold n values.
void REMINT(std::span<const double> lower, std::span<const double> diag, std::span<const double> upper,
            std::span<const double> rhs, std::span<double> x);

// Adds the windows' densities to D at the lines x (n increasing values):
// lines / (upper - lower + 1e-8) at every line inside a window. A window
// with no line inside spreads its count over the two lines around its lower
// edge, half over each line's interval (the last interval uses its own
// spacing for both lines); a lower edge outside the lines adds nothing.
void REMDENS(std::span<const DensityWindow> windows, std::span<const double> x, std::span<double> D);

// Largest ratio of neighbouring values, taken both ways (1 for fewer than
// two values); a ratio that is not a number counts as infinite.
double neighbour_ratio(std::span<const double> v);

}  // namespace devora
