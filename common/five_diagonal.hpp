#pragma once
// Five-diagonal systems of a tensor mesh and their kernels.
//
// The unknowns of an NX by NY mesh are numbered in natural order, x fastest:
// node n = i + (j-1)*NX, stored at index n-1. Row n of the matrix couples the
// node to n-1, n+1 (same mesh row) and n-NX, n+NX (neighbouring mesh rows).
// The coupling arrays hold the NEGATED matrix entries, as the flux
// coefficients come out of the discretisation:
//
//   A(n,n) = C0(n),  A(n,n-1) = -CM1(n),  A(n,n+1) = -CP1(n),
//   A(n,n-NX) = -CMNX(n),  A(n,n+NX) = -CPNX(n).
//
// A term whose neighbour lies outside 1..N is dropped. Row ends are not
// special: the assembler stores CM1 = 0 at i = 1 and CP1 = 0 at i = NX.
//
// Every kernel is one pass over its arrays in node order with no allocation.
// The floating-point evaluation order is fixed (no reassociation), so that
// results do not depend on the compiler's vectorisation.
#include <cassert>
#include <cmath>
#include <cstddef>
#include <span>
#include <type_traits>
#include <vector>

namespace sim {

// The two builds of the common library: the device simulator computes in
// 8-byte reals, the process simulator in 4-byte reals. A few solver rules
// differ between them; each build's rules follow from its real type.
enum class Build { device, process };

template <class Real>
inline constexpr Build build_of = sizeof(Real) >= 8 ? Build::device : Build::process;

// View of the five coefficient arrays of a system A*X = B (owned by the caller).
template <class Real>
struct FiveDiagonal {
  std::span<const Real> CM1;   // coupling to n-1
  std::span<const Real> CMNX;  // coupling to n-NX
  std::span<const Real> CP1;   // coupling to n+1
  std::span<const Real> CPNX;  // coupling to n+NX
  std::span<const Real> C0;    // diagonal
  int NX = 1;                  // nodes per mesh row
  int N = 0;                   // number of unknowns
};

// Owning storage of the coefficient arrays of an NX by NY mesh, all zero.
template <class Real>
struct FiveDiagonalArrays {
  FiveDiagonalArrays(int nx, int ny)
      : NX(nx), N(nx * ny), CM1(N), CMNX(N), CP1(N), CPNX(N), C0(N) {}
  int NX;
  int N;
  std::vector<Real> CM1, CMNX, CP1, CPNX, C0;

  FiveDiagonal<Real> view() const { return {CM1, CMNX, CP1, CPNX, C0, NX, N}; }
};

// Storage of the incomplete-LU factors (caller-owned work arrays, length N).
// L is unit lower, U upper; U(n,n+NX) = -CPNX(n) is read from the matrix.
template <class Real>
struct IluFactors {
  std::span<Real> LMNX;   // L(n, n-NX)
  std::span<Real> LM1;    // L(n, n-1)
  std::span<Real> PIV;    // 1 / U(n,n)
  std::span<Real> LMNX1;  // L(n, n-NX+1), fill
  std::span<Real> UPNX1;  // U(n, n+NX-1), fill
  std::span<Real> UP1;    // U(n, n+1)
};

// With fewer than three nodes per row the fill diagonals +-(NX-1) fall onto
// the diagonal or the +-1 diagonals; the factorisation then keeps no fill.
inline bool ilu_has_fill(int NX) { return NX >= 3; }

// Sum of X(k)*Y(k), accumulated in node order; 0 when N < 1.
template <class Real>
Real VDOT(std::span<const Real> X, std::span<const Real> Y, int N) {
  assert(N < 1 || (X.size() >= std::size_t(N) && Y.size() >= std::size_t(N)));
  Real sum = 0;
  for (int k = 0; k < N; ++k) sum += X[k] * Y[k];
  return sum;
}

// Z = A*X + Y; Z may be the same array as X or Y.
template <class Real>
void VAXPY(std::span<const Real> Y, std::span<const Real> X, std::span<Real> Z, int N, Real A) {
  assert(N < 1 || (X.size() >= std::size_t(N) && Y.size() >= std::size_t(N) &&
                   Z.size() >= std::size_t(N)));
  for (int k = 0; k < N; ++k) Z[k] = A * X[k] + Y[k];
}

// Y = X.
template <class Real>
void VCOPY(std::span<const Real> X, std::span<Real> Y, int N) {
  assert(N < 1 || (X.size() >= std::size_t(N) && Y.size() >= std::size_t(N)));
  for (int k = 0; k < N; ++k) Y[k] = X[k];
}

// X = A*X in place (A = 0 clears the array).
template <class Real>
void VSCAL(std::span<Real> X, Real A, int N) {
  assert(N < 1 || X.size() >= std::size_t(N));
  for (int k = 0; k < N; ++k) X[k] = A * X[k];
}

namespace detail {

template <class Real>
void assert_system(const FiveDiagonal<Real>& A) {
  [[maybe_unused]] const std::size_t n = A.N < 1 ? 0 : std::size_t(A.N);
  assert(A.NX >= 1);
  assert(A.CM1.size() >= n && A.CMNX.size() >= n && A.CP1.size() >= n &&
         A.CPNX.size() >= n && A.C0.size() >= n);
}

// Row k (0-based) of Y = A*X with every neighbour tested.
template <class Real>
Real pentmv_row_checked(const FiveDiagonal<Real>& A, const Real* x, int k) {
  const int N = A.N, NX = A.NX;
  Real y = A.C0[k] * x[k];
  if (k >= 1) y -= A.CM1[k] * x[k - 1];
  if (k >= NX) y -= A.CMNX[k] * x[k - NX];
  if (k + 1 < N) y -= A.CP1[k] * x[k + 1];
  if (k + NX < N) y -= A.CPNX[k] * x[k + NX];
  return y;
}

}  // namespace detail

// Y = A*X; Y must be a different array from X.
template <class Real>
void PENTMV(const FiveDiagonal<Real>& A, std::type_identity_t<std::span<const Real>> X,
            std::type_identity_t<std::span<Real>> Y) {
  detail::assert_system(A);
  const int N = A.N, NX = A.NX;
  if (N < 1) return;
  assert(X.size() >= std::size_t(N) && Y.size() >= std::size_t(N));
  assert(X.data() != Y.data());
  const Real* x = X.data();
  Real* y = Y.data();
  // Nodes of the first and last mesh rows lack neighbours; all nodes in
  // between have all four, and their loop runs without tests.
  const int interior_begin = NX < N ? NX : N;
  const int interior_end = N - NX > interior_begin ? N - NX : interior_begin;
  for (int k = 0; k < interior_begin; ++k) y[k] = detail::pentmv_row_checked(A, x, k);
  const Real* c0 = A.C0.data();
  const Real* cm1 = A.CM1.data();
  const Real* cmnx = A.CMNX.data();
  const Real* cp1 = A.CP1.data();
  const Real* cpnx = A.CPNX.data();
  for (int k = interior_begin; k < interior_end; ++k) {
    y[k] = c0[k] * x[k] - cm1[k] * x[k - 1] - cmnx[k] * x[k - NX] - cp1[k] * x[k + 1] -
           cpnx[k] * x[k + NX];
  }
  for (int k = interior_end; k < N; ++k) y[k] = detail::pentmv_row_checked(A, x, k);
}

// Incomplete LU factorisation on the pattern of the offsets 0, +-1, +-(NX-1),
// +-NX: Gaussian elimination in node order in which all fill outside the
// pattern is dropped. Entries whose index condition fails are stored as 0.
template <class Real>
void PENTFAC(const FiveDiagonal<Real>& A, const IluFactors<Real>& F) {
  detail::assert_system(A);
  const int N = A.N, NX = A.NX;
  if (N < 1) return;
  assert(F.LMNX.size() >= std::size_t(N) && F.LM1.size() >= std::size_t(N) &&
         F.PIV.size() >= std::size_t(N) && F.LMNX1.size() >= std::size_t(N) &&
         F.UPNX1.size() >= std::size_t(N) && F.UP1.size() >= std::size_t(N));
  const bool fill = ilu_has_fill(NX);
  for (int k = 0; k < N; ++k) {
    const bool below = k >= NX;  // node n-NX exists
    // L(n,n-NX): eliminates the coupling to the previous mesh row.
    const Real lmnx = below ? -A.CMNX[k] * F.PIV[k - NX] : Real(0);
    // L(n,n-NX+1): fill created by that elimination through U(n-NX,n-NX+1).
    const Real lmnx1 = (below && fill) ? -lmnx * F.UP1[k - NX] * F.PIV[k - NX + 1] : Real(0);
    Real lm1 = 0;
    if (k >= 1) {
      Real coupling = A.CM1[k];
      if (below && fill) coupling += lmnx * F.UPNX1[k - NX];
      lm1 = -coupling * F.PIV[k - 1];
    }
    const Real upnx1 = (k >= 1 && fill) ? lm1 * A.CPNX[k - 1] : Real(0);
    Real up1 = -A.CP1[k];
    if (below && fill) up1 = lmnx1 * A.CPNX[k - NX + 1] - A.CP1[k];
    Real pivot = A.C0[k];
    if (k >= 1) pivot -= lm1 * F.UP1[k - 1];
    if (below) {
      if (fill) pivot -= lmnx1 * F.UPNX1[k - NX + 1];
      pivot += lmnx * A.CPNX[k - NX];
    }
    F.LMNX[k] = lmnx;
    F.LMNX1[k] = lmnx1;
    F.LM1[k] = lm1;
    F.UPNX1[k] = upnx1;
    F.UP1[k] = up1;
    F.PIV[k] = Real(1) / pivot;
  }
}

namespace detail {

// The substitutions of PENTSLV, with or without the fill diagonals. Nodes of
// the first (forward) or last (backward) mesh row test their neighbours; the
// loops over all other nodes run without tests.
template <bool Fill, class Real>
void substitute(const IluFactors<Real>& F, const Real* cpnx, const Real* r, Real* z, int N,
                int NX) {
  const Real* lm1 = F.LM1.data();
  const Real* lmnx1 = F.LMNX1.data();
  const Real* lmnx = F.LMNX.data();
  const Real* up1 = F.UP1.data();
  const Real* upnx1 = F.UPNX1.data();
  const Real* piv = F.PIV.data();

  // Forward substitution with the unit lower factor.
  const int first_full = NX < N ? NX : N;
  for (int k = 0; k < first_full; ++k) {
    Real v = r[k];
    if (k >= 1) v -= lm1[k] * z[k - 1];
    if (Fill && k >= NX - 1) v -= lmnx1[k] * z[k - NX + 1];
    z[k] = v;
  }
  for (int k = first_full; k < N; ++k) {
    Real v = r[k] - lm1[k] * z[k - 1];
    if constexpr (Fill) v -= lmnx1[k] * z[k - NX + 1];
    z[k] = v - lmnx[k] * z[k - NX];
  }

  // Backward substitution; U(n,n+NX) = -CPNX(n), hence the added term.
  const int last_full = N - NX;  // nodes below it have all upper neighbours
  for (int k = N - 1; k >= 0 && k >= last_full; --k) {
    Real v = z[k];
    if (k + 1 < N) v -= up1[k] * z[k + 1];
    if (Fill && k + NX - 1 < N) v -= upnx1[k] * z[k + NX - 1];
    z[k] = v * piv[k];
  }
  for (int k = last_full - 1; k >= 0; --k) {
    Real v = z[k] - up1[k] * z[k + 1];
    if constexpr (Fill) v -= upnx1[k] * z[k + NX - 1];
    z[k] = (v + cpnx[k] * z[k + NX]) * piv[k];
  }
}

}  // namespace detail

// Z = U^-1 L^-1 R with the factors of PENTFAC; R unchanged, Z != R.
template <class Real>
void PENTSLV(const IluFactors<Real>& F, std::type_identity_t<std::span<const Real>> CPNX,
             std::type_identity_t<std::span<const Real>> R,
             std::type_identity_t<std::span<Real>> Z, int N, int NX) {
  if (N < 1) return;
  assert(NX >= 1 && R.size() >= std::size_t(N) && Z.size() >= std::size_t(N) &&
         CPNX.size() >= std::size_t(N));
  assert(F.LMNX.size() >= std::size_t(N) && F.LM1.size() >= std::size_t(N) &&
         F.PIV.size() >= std::size_t(N) && F.LMNX1.size() >= std::size_t(N) &&
         F.UPNX1.size() >= std::size_t(N) && F.UP1.size() >= std::size_t(N));
  assert(R.data() != Z.data());
  if (ilu_has_fill(NX)) {
    detail::substitute<true>(F, CPNX.data(), R.data(), Z.data(), N, NX);
  } else {
    detail::substitute<false>(F, CPNX.data(), R.data(), Z.data(), N, NX);
  }
}

// The incomplete-LU preconditioner M = L*U of a five-diagonal system: factors
// on construction into the caller's storage, then applies M^-1.
template <class Real>
class PentaILU {
 public:
  PentaILU(const FiveDiagonal<Real>& A, const IluFactors<Real>& F) : A_(A), F_(F) {
    PENTFAC(A_, F_);
  }
  // Z = M^-1 R; Z must be a different array from R.
  void solve(std::span<const Real> R, std::span<Real> Z) const {
    PENTSLV(F_, A_.CPNX, R, Z, A_.N, A_.NX);
  }

 private:
  FiveDiagonal<Real> A_;
  IluFactors<Real> F_;
};

// Largest residual measure over the nodes and where it is reached.
//   device build:  v(k) = |(R(k)/D(k)) / (1e-6 + |X(k)|)|, relative to the unknown;
//   process build: v(k) = |R(k)/D(k)|.
// Among equal values the last node wins; an all-zero residual reports node N.
// A NaN value (residual, diagonal or, in either build, solution) makes the
// measure NaN at the first such node, so no stop test can accept it. I and J
// receive the column and row of the node; N < 1 returns 0 and leaves them.
template <class Real, Build B = build_of<Real>>
Real MAXREL(std::span<const Real> R, std::span<const Real> X, std::span<const Real> D, int N,
            int NX, int& I, int& J) {
  if (N < 1) return 0;
  assert(NX >= 1 && R.size() >= std::size_t(N) && X.size() >= std::size_t(N) &&
         D.size() >= std::size_t(N));
  const Real x_floor = Real(1e-6);
  Real largest = 0;
  int at = 0;
  for (int k = 0; k < N; ++k) {
    Real v;
    if constexpr (B == Build::device) {
      v = std::abs((R[k] / D[k]) / (x_floor + std::abs(X[k])));
    } else {
      v = std::abs(R[k] / D[k]);
      if (std::isnan(X[k])) v = X[k];
    }
    if (v >= largest) {
      largest = v;
      at = k;
    } else if (std::isnan(v)) {
      largest = v;
      at = k;
      break;
    }
  }
  J = at / NX + 1;
  I = at - (at / NX) * NX + 1;
  return largest;
}

}  // namespace sim
