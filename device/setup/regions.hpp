#pragma once
// Lookups on the oxide regions of the OXID statements, and the line deposit
// that puts a region side's value onto the mesh nodes next to it.
#include <span>

#include "device/blocks.hpp"

namespace devora {

// PMOX/EPSS of the oxide region that holds (x, y), bounds included; the
// last such region in statement order decides. 1.0 outside every region.
double REGRAT(const OXIDE& oxide, double epss, double x, double y);

// v when (x, y) lies in any oxide region (bounds included), 1.0 otherwise.
double REGVAL(const OXIDE& oxide, double x, double y, double v);

// Which way the deposited line runs.
enum class LineOrientation {
  horizontal = 1,  // a side at y = c over lo <= x <= hi: P = X, Q = Y, W = WY
  vertical = 2,    // a side at x = c over lo <= y <= hi: P = Y, Q = X, W = WX
};

// Adds the side value V as a line deposit to the node array A (node
// n = j*NX + i, 0-based). The two mesh lines of Q around c share V with
// weights a1, a2 such that a1*W(i) + a2*W(i+1) = V, at every position k
// along the side with lo <= P(k) <= hi. A c outside the mesh is taken at
// the nearest end line; nodes past the end of A are skipped.
void LINDEP(std::span<double> A, std::span<const double> P, std::span<const double> Q,
            std::span<const double> W, double lo, double hi, double c, double V,
            LineOrientation orientation);

}  // namespace devora
