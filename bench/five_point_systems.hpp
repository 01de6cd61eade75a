#pragma once
// Model five-point systems on an nx x ny mesh, shared by the solver
// benchmark and the solver tests.
#include <cmath>

#include "common/five_diagonal.hpp"

namespace five_point {

// Five-point Laplacian with zero values outside the mesh.
template <class Real>
sim::FiveDiagonalArrays<Real> poisson(int nx, int ny) {
  sim::FiveDiagonalArrays<Real> a(nx, ny);
  for (int k = 0; k < a.N; ++k) {
    const int i = k % nx, j = k / nx;
    a.CM1[k] = i > 0 ? 1 : 0;
    a.CP1[k] = i + 1 < nx ? 1 : 0;
    a.CMNX[k] = j > 0 ? 1 : 0;
    a.CPNX[k] = j + 1 < ny ? 1 : 0;
    a.C0[k] = 4;
  }
  return a;
}

inline double bernoulli(double x) { return std::abs(x) < 1e-8 ? 1 - x / 2 : x / std::expm1(x); }

// Scharfetter-Gummel couplings x/(exp(x)-1) of the potential steps along a
// drifting potential with a ripple sin(ripple*i*j) (a few thermal voltages
// per mesh step): a non-symmetric M-matrix, outside neighbours held at zero.
template <class Real>
sim::FiveDiagonalArrays<Real> convection_diffusion(int nx, int ny, double ripple) {
  sim::FiveDiagonalArrays<Real> a(nx, ny);
  auto psi = [ripple](int i, int j) { return 1.5 * i + 0.7 * j + std::sin(ripple * i * j); };
  for (int k = 0; k < a.N; ++k) {
    const int i = k % nx, j = k / nx;
    const double p = psi(i, j);
    double diag = 0;
    auto couple = [&](bool inside, Real& c, int in, int jn) {
      const double q = psi(in, jn);
      diag += bernoulli(q - p);
      c = inside ? Real(bernoulli(p - q)) : Real(0);
    };
    couple(i > 0, a.CM1[k], i - 1, j);
    couple(i + 1 < nx, a.CP1[k], i + 1, j);
    couple(j > 0, a.CMNX[k], i, j - 1);
    couple(j + 1 < ny, a.CPNX[k], i, j + 1);
    a.C0[k] = Real(diag);
  }
  return a;
}

}  // namespace five_point
