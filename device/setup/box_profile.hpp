#pragma once
// Analytic and tabulated boxes on the mesh: the window factor of a box at a
// point, and the value of one box at every node. Doping boxes and
// generation boxes share both.
#include <span>
#include <string>

#include "device/blocks.hpp"

namespace devora {

// Window factor in [0, 1] of the box at (x, y), by the shape code IWEL:
//   2  linear fall-off over ALX and ALY outside the window;
//   3  exp(-((dx/ALX)^EXPX + (dy/ALY)^EXPY)), Gaussian with both exponents 2;
//   4  erfc(dx/ALX + dy/ALY);
//   any other value: 1 inside the window (bounds included), 0 outside.
// dx and dy are the distances outside the window. For shapes 3 and 4 a
// width not above min_width (1e-5 micron in internal units) turns a positive
// distance into the scaled distance 1e5, i.e. an abrupt edge. 0^0 is 1.
double WINFAC(const BoxShape& box, double x, double y, double min_width);

// Value of one box at every node n = i + j*NX into out: `value` times the
// window factor for IWEL > 0; for IWEL < 0 the text depth profile of `dfil`
// placed with its first depth at YTOP, times the window factor of shape
// -IWEL (`value` is not applied); for IWEL = 0 nothing (0 everywhere).
// ni_ref and ldum are the density and length scales.
void PROFMAP(std::span<double> out, std::span<const double> x, std::span<const double> y,
             const BoxShape& box, double value, const std::string& dfil, double ni_ref, double ldum);

}  // namespace devora
