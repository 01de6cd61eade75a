#pragma once
// Error functions of the process simulator in 4-byte reals, from the
// rational approximation erfc(a) ~ (p1 t + p2 t^2 + p3 t^3) exp(-a^2),
// t = 1/(1 + 0.47047 a), a = |x| (absolute error below 2.5e-5).

namespace tavik {

// Complementary error function erfc(x); 0 beyond x = 5, 2 below x = -5.
float ERFCA(float x);

// Error function erf(x); +-1 beyond |x| = 4.5, odd in x.
float ERFCUT(float x);

}  // namespace tavik
