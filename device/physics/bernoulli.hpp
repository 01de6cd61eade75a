#pragma once
// The Bernoulli function B(x) = x/(exp(x) - 1) of the Scharfetter-Gummel
// discretisation.

namespace devora {

// B(x): the series 1 - x/2 + x^2/12 for |x| <= 0.001, x exp(-x) above 40
// (where exp(x) - 1 equals exp(x) to rounding), x/(exp(x) - 1) otherwise.
// Large negative x need no cut-off: B(x) tends to -x.
double BERN(double x);

}  // namespace devora
