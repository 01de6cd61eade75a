#pragma once
// What the scaled arithmetic of the solvers can carry. Densities and lengths
// enter the equations squared: the equilibrium densities take (N/2)^2 +
// ni^2 and ni^2/n, the Poisson couplings and cell areas products of mesh
// spacings. A value whose square overflows, or underflows below the
// smallest normal 8-byte real, turns into Inf, 0 or NaN a few steps later,
// so the set-up refuses it while the cause is still plain.
#include <cmath>
#include <limits>
#include <sstream>
#include <string>

namespace devora {

// Largest doping magnitude in units of NI (about 1.45e160 cm-3 at the
// default NI): its square, and sums of a few such squares, stay finite.
inline constexpr double kLargestScaledDoping = 1e150;

// False for NaN and Inf too.
inline bool usable_doping(double scaled) { return std::abs(scaled) <= kLargestScaledDoping; }

// A positive value whose square is a finite, normal 8-byte real.
inline bool square_is_normal(double v) {
  const double square = v * v;
  return v > 0.0 && std::isfinite(square) && square >= std::numeric_limits<double>::min();
}

// A value as the console messages print it (6 significant digits).
inline std::string shown(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

}  // namespace devora
