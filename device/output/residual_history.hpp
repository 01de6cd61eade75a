#pragma once
// "GUMRES.2dg": the Gummel history of the current bias point, as a small
// column table that plotting tools read while the run goes on.
#include <span>

namespace devora {

// Rewrites "GUMRES.2dg" in the current folder (through a temporary file and
// a rename, so a reader never sees a half-written table): four free-format
// header lines, then per iteration k = 1..it the line (1X,I4,3(2X,E14.8))
// of k, res(k), dgen(k), cur(k). res is the residual in volts, dgen the
// relative change of the mean impact-ionisation rate, cur the current of
// the first electrode; each holds at least `it` entries.
void WRPLOT(std::span<const double> res, std::span<const double> dgen, std::span<const double> cur, int it);

}  // namespace devora
