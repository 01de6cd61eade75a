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
// Every kernel is one pass over its arrays with no allocation. The
// expression of every value and its floating-point evaluation order are
// fixed (no reassociation), so that results depend neither on the compiler's
// vectorisation nor on the order in which independent nodes are visited.
#include <bit>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
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

// Rows begin..end-1 of Y = A*X. Nodes of the first and last mesh rows lack
// neighbours; all nodes in between have all four, and their loop runs
// without tests.
template <class Real>
void product_rows(const FiveDiagonal<Real>& A, const Real* x, Real* y, int begin, int end) {
  const int N = A.N, NX = A.NX;
  const int interior_begin = NX < N ? NX : N;
  const int interior_end = N - NX > interior_begin ? N - NX : interior_begin;
  const int first_end = end < interior_begin ? end : interior_begin;
  for (int k = begin; k < first_end; ++k) y[k] = pentmv_row_checked(A, x, k);
  const Real* c0 = A.C0.data();
  const Real* cm1 = A.CM1.data();
  const Real* cmnx = A.CMNX.data();
  const Real* cp1 = A.CP1.data();
  const Real* cpnx = A.CPNX.data();
  const int middle_begin = begin > interior_begin ? begin : interior_begin;
  const int middle_end = end < interior_end ? end : interior_end;
  for (int k = middle_begin; k < middle_end; ++k) {
    y[k] = c0[k] * x[k] - cm1[k] * x[k - 1] - cmnx[k] * x[k - NX] - cp1[k] * x[k + 1] -
           cpnx[k] * x[k + NX];
  }
  for (int k = begin > interior_end ? begin : interior_end; k < end; ++k)
    y[k] = pentmv_row_checked(A, x, k);
}

// Nodes per block of the product fused with its inner product.
inline constexpr int product_block = 32;

}  // namespace detail

// Y = A*X; Y must be a different array from X.
template <class Real>
void PENTMV(const FiveDiagonal<Real>& A, std::type_identity_t<std::span<const Real>> X,
            std::type_identity_t<std::span<Real>> Y) {
  detail::assert_system(A);
  const int N = A.N;
  if (N < 1) return;
  assert(X.size() >= std::size_t(N) && Y.size() >= std::size_t(N));
  assert(X.data() != Y.data());
  detail::product_rows(A, X.data(), Y.data(), 0, N);
}

// Y = A*X and the inner product Y.X in one pass: the values of PENTMV followed
// by VDOT(Y, X, N), the sum accumulated in node order. Block by block, the
// product is formed while its operands are streamed in and the sum then runs
// over the block from the cache.
template <class Real>
Real PENTMV_VDOT(const FiveDiagonal<Real>& A, std::type_identity_t<std::span<const Real>> X,
                 std::type_identity_t<std::span<Real>> Y) {
  detail::assert_system(A);
  const int N = A.N;
  if (N < 1) return 0;
  assert(X.size() >= std::size_t(N) && Y.size() >= std::size_t(N));
  assert(X.data() != Y.data());
  const Real* x = X.data();
  Real* y = Y.data();
  Real sum = 0;
  for (int first = 0; first < N; first += detail::product_block) {
    const int end = N - first < detail::product_block ? N : first + detail::product_block;
    detail::product_rows(A, x, y, first, end);
    for (int k = first; k < end; ++k) sum += y[k] * x[k];
  }
  return sum;
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

// Operands of the substitutions of PENTSLV.
template <class Real>
struct Substitution {
  const Real* lm1;
  const Real* lmnx1;
  const Real* lmnx;
  const Real* up1;
  const Real* upnx1;
  const Real* piv;
  const Real* cpnx;
  const Real* r;
  Real* z;
  int N;
  int NX;
};

template <class Real>
Substitution<Real> substitution_of(const IluFactors<Real>& F, const Real* cpnx, const Real* r,
                                   Real* z, int N, int NX) {
  return {F.LM1.data(), F.LMNX1.data(), F.LMNX.data(), F.UP1.data(), F.UPNX1.data(),
          F.PIV.data(), cpnx,           r,            z,           N,  NX};
}

// Forward step of node k >= NX, whose lower neighbours all exist, from the
// values of Z(n-1), Z(n-NX+1) and Z(n-NX).
template <bool Fill, class Real>
Real forward_value(const Substitution<Real>& s, int k, Real left, Real above_right, Real above) {
  Real v = s.r[k] - s.lm1[k] * left;
  if constexpr (Fill) v -= s.lmnx1[k] * above_right;
  return v - s.lmnx[k] * above;
}

template <bool Fill, class Real>
Real forward_node(const Substitution<Real>& s, int k, Real left) {
  return forward_value<Fill>(s, k, left, s.z[k - s.NX + 1], s.z[k - s.NX]);
}

// Backward step of node k < N-NX, whose upper neighbours all exist: `lower`
// is the node's value after the forward step, then Z(n+1), Z(n+NX-1) and
// Z(n+NX). U(n,n+NX) = -CPNX(n), hence the added term.
template <bool Fill, class Real>
Real backward_value(const Substitution<Real>& s, int k, Real lower, Real right, Real below_left,
                    Real below) {
  Real v = lower - s.up1[k] * right;
  if constexpr (Fill) v -= s.upnx1[k] * below_left;
  return (v + s.cpnx[k] * below) * s.piv[k];
}

template <bool Fill, class Real>
Real backward_node(const Substitution<Real>& s, int k, Real lower, Real right) {
  return backward_value<Fill>(s, k, lower, right, s.z[k + s.NX - 1], s.z[k + s.NX]);
}

// Forward substitution of the nodes begin..end-1 in node order. Nodes of the
// first mesh row test their neighbours.
template <bool Fill, class Real>
void forward_in_node_order(const Substitution<Real>& s, int begin, int end) {
  const Real* r = s.r;
  Real* z = s.z;
  const int NX = s.NX;
  const int tested_end = end < NX ? end : NX;
  for (int k = begin; k < tested_end; ++k) {
    Real v = r[k];
    if (k >= 1) v -= s.lm1[k] * z[k - 1];
    if (Fill && k >= NX - 1) v -= s.lmnx1[k] * z[k - NX + 1];
    z[k] = v;
  }
  for (int k = begin > NX ? begin : NX; k < end; ++k) z[k] = forward_node<Fill>(s, k, z[k - 1]);
}

// Backward substitution of the nodes end-1 down to begin in node order.
// Nodes of the last mesh row test their neighbours.
template <bool Fill, class Real>
void backward_in_node_order(const Substitution<Real>& s, int begin, int end) {
  Real* z = s.z;
  const int N = s.N, NX = s.NX;
  const int last_full = N - NX;  // nodes below it have all upper neighbours
  for (int k = end - 1; k >= begin && k >= last_full; --k) {
    Real v = z[k];
    if (k + 1 < N) v -= s.up1[k] * z[k + 1];
    if (Fill && k + NX - 1 < N) v -= s.upnx1[k] * z[k + NX - 1];
    z[k] = v * s.piv[k];
  }
  for (int k = (end < last_full ? end : last_full) - 1; k >= begin; --k)
    z[k] = backward_node<Fill>(s, k, z[k], z[k + 1]);
}

template <class Real>
bool same_bits(Real a, Real b) {
  using Bits = std::conditional_t<sizeof(Real) == 8, std::uint64_t, std::uint32_t>;
  return std::bit_cast<Bits>(a) == std::bit_cast<Bits>(b);
}

// Rows in flight. A node depends on its left neighbour, on the node above it
// in the previous row and, with fill, on the one above and to the right. Row
// j+t may therefore run `lag` nodes behind row j+t-1 (two with fill, one
// without): T rows then advance together, every node with its own expression
// in its own order, and T independent recurrences hide each other's latency.
// A row's upper neighbours are the last two values of the row before it,
// kept in registers.
//
// The one coupling this cannot honour is the wrap-around at a row end: the
// first node of a row reads the last node of the previous row (through
// LM1; backwards, the last node reads the first of the next row through
// UP1). That coupling is exactly zero in an assembled system, so the rows
// after the band's first start from a stand-in Z = 0 for it. Once the band is
// done the true product is formed and the first term compared bit for bit
// with the one used; on any difference (a signed zero, an infinity or NaN
// meeting the zero coupling, or a coupling that is not zero) the band is
// redone in node order. Every value is the node-order one bit for bit, except
// that where NaNs meet, the sign and payload of the NaN that survives may
// differ (the compiler may order the operands of + and * either way).
template <bool Fill>
inline constexpr int row_lag = Fill ? 2 : 1;

// The hardware prefetchers lose track of the many streams of the rows in
// flight; each row asks for its operands this far ahead, once per cache line.
inline constexpr int prefetch_bytes = 256;
inline constexpr int cache_line_bytes = 64;

inline void prefetch(const void* p) {
#if defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

template <class Real>
bool at_cache_line(int step) {
  return step % (cache_line_bytes / int(sizeof(Real))) == 0;
}

// Forward substitution of the T rows j0..j0+T-1 (j0 >= 1) in flight. Returns
// false when the stand-in at a row start was not exact.
template <int T, bool Fill, class Real>
bool forward_rows_in_flight(const Substitution<Real>& s, int j0) {
  constexpr int lag = row_lag<Fill>;
  const int N = s.N, NX = s.NX;
  const Real* r = s.r;
  Real* z = s.z;
  const int first = j0 * NX;
  Real left[T] = {};         // Z(n-1) of each row's current node
  Real before_left[T] = {};  // Z(n-2)
  // Node of row t at column c, during the start and the end of the band.
  auto step_row = [&](int t, int c) {
    const int k = first + t * NX + c;
    const Real l = c > 0 ? left[t] : (t == 0 ? z[k - 1] : Real(0));
    left[t] = z[k] = forward_node<Fill>(s, k, l);
  };
  auto step_started_rows = [&](int step) {
    for (int t = 0; t < T; ++t)
      if (step - lag * t >= 0 && step - lag * t < NX) step_row(t, step - lag * t);
  };
  const int steps = NX + lag * (T - 1);
  const int all_running = lag * (T - 1) + 1 < steps ? lag * (T - 1) + 1 : steps;
  int step = 0;
  for (; step < all_running; ++step) step_started_rows(step);
  if (step < NX) {
    for (int t = 0; t + 1 < T; ++t) before_left[t] = z[first + t * (NX - lag) + step - 2];
  }
  // Every row past its first node and before its end: no tests.
  for (; step < NX; ++step) {
    if (at_cache_line<Real>(step)) {
      for (int t = 0; t < T; ++t) {
        const int ahead = first + t * (NX - lag) + step + prefetch_bytes / int(sizeof(Real));
        const int k = ahead < N ? ahead : N - 1;
        for (const Real* operand : {r, s.lm1, s.lmnx1, s.lmnx, static_cast<const Real*>(z)})
          prefetch(operand + k);
      }
    }
#pragma GCC unroll 16
    for (int t = T - 1; t >= 0; --t) {
      const int k = first + t * (NX - lag) + step;
      const Real above_right = t == 0 ? z[k - NX + 1] : left[t - 1];
      const Real above = t == 0 ? z[k - NX] : (lag == 2 ? before_left[t - 1] : left[t - 1]);
      before_left[t] = left[t];
      left[t] = z[k] = forward_value<Fill>(s, k, left[t], above_right, above);
    }
  }
  for (; step < steps; ++step) step_started_rows(step);
  for (int t = 1; t < T; ++t) {
    const int k = first + t * NX;
    if (!same_bits<Real>(r[k] - s.lm1[k] * z[k - 1], r[k] - s.lm1[k] * Real(0))) return false;
  }
  return true;
}

// Backward substitution of the T rows j0, j0-1, ..., j0-T+1 (j0 <= NY-2) in
// flight, each row from its last node down. Returns false when the stand-in
// at a row end was not exact; the rows then hold neither the forward nor the
// backward values.
template <int T, bool Fill, class Real>
bool backward_rows_in_flight(const Substitution<Real>& s, int j0) {
  constexpr int lag = row_lag<Fill>;
  const int NX = s.NX;
  Real* z = s.z;
  const int top = j0 * NX;
  Real right[T] = {};         // Z(n+1) of each row's current node
  Real before_right[T] = {};  // Z(n+2)
  Real end_forward[T] = {};   // forward value of each row's last node
  auto step_row = [&](int t, int c) {
    const int k = top - t * NX + c;
    Real rt = right[t];
    if (c == NX - 1) {
      rt = t == 0 ? z[k + 1] : Real(0);
      end_forward[t] = z[k];
    }
    right[t] = z[k] = backward_node<Fill>(s, k, z[k], rt);
  };
  auto step_started_rows = [&](int step) {
    for (int t = 0; t < T; ++t)
      if (step - lag * t >= 0 && step - lag * t < NX) step_row(t, NX - 1 - (step - lag * t));
  };
  const int steps = NX + lag * (T - 1);
  const int all_running = lag * (T - 1) + 1 < steps ? lag * (T - 1) + 1 : steps;
  int step = 0;
  for (; step < all_running; ++step) step_started_rows(step);
  if (step < NX) {
    for (int t = 0; t + 1 < T; ++t) before_right[t] = z[top - t * (NX - lag) + NX + 1 - step];
  }
  for (; step < NX; ++step) {
    if (at_cache_line<Real>(step)) {
      for (int t = 0; t < T; ++t) {
        const int ahead = top - t * (NX - lag) + NX - 1 - step - prefetch_bytes / int(sizeof(Real));
        const int k = ahead > 0 ? ahead : 0;
        for (const Real* operand : {s.up1, s.upnx1, s.cpnx, s.piv, static_cast<const Real*>(z)})
          prefetch(operand + k);
      }
    }
#pragma GCC unroll 16
    for (int t = T - 1; t >= 0; --t) {
      const int k = top - t * (NX - lag) + NX - 1 - step;
      const Real below_left = t == 0 ? z[k + NX - 1] : right[t - 1];
      const Real below = t == 0 ? z[k + NX] : (lag == 2 ? before_right[t - 1] : right[t - 1]);
      before_right[t] = right[t];
      right[t] = z[k] = backward_value<Fill>(s, k, z[k], right[t], below_left, below);
    }
  }
  for (; step < steps; ++step) step_started_rows(step);
  for (int t = 1; t < T; ++t) {
    const int k = top - t * NX + NX - 1;
    const Real lower = end_forward[t];
    if (!same_bits<Real>(lower - s.up1[k] * z[k + 1], lower - s.up1[k] * Real(0))) return false;
  }
  return true;
}

// Forward substitution of the rows j..j_end-1 (j >= 1), T rows at a time and
// the rest in smaller groups.
template <int T, bool Fill, class Real>
void forward_rows(const Substitution<Real>& s, int j, int j_end) {
  const int NX = s.NX;
  if constexpr (T == 1) {
    forward_in_node_order<Fill>(s, j * NX, j_end * NX);
  } else {
    for (; j + T <= j_end; j += T) {
      if (!forward_rows_in_flight<T, Fill>(s, j))
        forward_in_node_order<Fill>(s, j * NX, (j + T) * NX);
    }
    forward_rows<T / 2, Fill>(s, j, j_end);
  }
}

// Backward substitution of the rows j down to j_low (j <= NY-2), T rows at a
// time and the rest in smaller groups. A group whose stand-in failed is redone
// from R: forward, then backward, in node order (the row below the group
// still holds its forward values, the row above its final ones).
template <int T, bool Fill, class Real>
void backward_rows(const Substitution<Real>& s, int j, int j_low) {
  const int NX = s.NX;
  if constexpr (T == 1) {
    backward_in_node_order<Fill>(s, j_low * NX, (j + 1) * NX);
  } else {
    for (; j - T + 1 >= j_low; j -= T) {
      if (!backward_rows_in_flight<T, Fill>(s, j)) {
        const int begin = (j - T + 1) * NX, end = (j + 1) * NX;
        forward_in_node_order<Fill>(s, begin, end);
        backward_in_node_order<Fill>(s, begin, end);
      }
    }
    backward_rows<T / 2, Fill>(s, j, j_low);
  }
}

// Mesh rows advanced together by PENTSLV.
inline constexpr int rows_in_flight = 6;

template <bool Fill, class Real>
void substitute_in_node_order(const Substitution<Real>& s) {
  forward_in_node_order<Fill>(s, 0, s.N);
  backward_in_node_order<Fill>(s, 0, s.N);
}

template <bool Fill, class Real>
void substitute_rows_in_flight(const Substitution<Real>& s) {
  const int NX = s.NX, NY = s.N / s.NX;
  forward_in_node_order<Fill>(s, 0, NX);
  forward_rows<rows_in_flight, Fill>(s, 1, NY);
  backward_in_node_order<Fill>(s, s.N - NX, s.N);
  backward_rows<rows_in_flight, Fill>(s, NY - 2, 0);
}

template <class Real>
void assert_substitution([[maybe_unused]] const IluFactors<Real>& F,
                         [[maybe_unused]] std::span<const Real> CPNX,
                         [[maybe_unused]] std::span<const Real> R,
                         [[maybe_unused]] std::span<Real> Z, [[maybe_unused]] int N,
                         [[maybe_unused]] int NX) {
  assert(NX >= 1 && R.size() >= std::size_t(N) && Z.size() >= std::size_t(N) &&
         CPNX.size() >= std::size_t(N));
  assert(F.LMNX.size() >= std::size_t(N) && F.LM1.size() >= std::size_t(N) &&
         F.PIV.size() >= std::size_t(N) && F.LMNX1.size() >= std::size_t(N) &&
         F.UPNX1.size() >= std::size_t(N) && F.UP1.size() >= std::size_t(N));
  assert(R.data() != Z.data());
}

}  // namespace detail

namespace node_order {

// PENTSLV as one sweep in node order each way: the reference the row-wise
// kernel is compared with in the tests and the solver benchmark.
template <class Real>
void PENTSLV(const IluFactors<Real>& F, std::type_identity_t<std::span<const Real>> CPNX,
             std::type_identity_t<std::span<const Real>> R,
             std::type_identity_t<std::span<Real>> Z, int N, int NX) {
  if (N < 1) return;
  detail::assert_substitution<Real>(F, CPNX, R, Z, N, NX);
  const auto s = detail::substitution_of(F, CPNX.data(), R.data(), Z.data(), N, NX);
  if (ilu_has_fill(NX)) {
    detail::substitute_in_node_order<true>(s);
  } else {
    detail::substitute_in_node_order<false>(s);
  }
}

}  // namespace node_order

// Z = U^-1 L^-1 R with the factors of PENTFAC; R unchanged, Z != R. Forward:
// Z(n) = R(n) - LM1(n)Z(n-1) - LMNX1(n)Z(n-NX+1) - LMNX(n)Z(n-NX); backward:
// Z(n) = (Z(n) - UP1(n)Z(n+1) - UPNX1(n)Z(n+NX-1) + CPNX(n)Z(n+NX))PIV(n).
// Several mesh rows are advanced together (see detail::forward_rows_in_flight);
// every value is the one of the node-order sweep, bit for bit (NaNs: the same
// nodes, their sign and payload may differ).
template <class Real>
void PENTSLV(const IluFactors<Real>& F, std::type_identity_t<std::span<const Real>> CPNX,
             std::type_identity_t<std::span<const Real>> R,
             std::type_identity_t<std::span<Real>> Z, int N, int NX) {
  // A single column is one recurrence; a partial last row does not occur
  // in a mesh. Both run in node order.
  if (N < 1 || NX < 2 || N % NX != 0) return node_order::PENTSLV<Real>(F, CPNX, R, Z, N, NX);
  detail::assert_substitution<Real>(F, CPNX, R, Z, N, NX);
  const auto s = detail::substitution_of(F, CPNX.data(), R.data(), Z.data(), N, NX);
  if (ilu_has_fill(NX)) {
    detail::substitute_rows_in_flight<true>(s);
  } else {
    detail::substitute_rows_in_flight<false>(s);
  }
}

namespace detail {

// The residual measure of one node (see MAXREL).
template <class Real, Build B>
Real node_measure(Real r, Real x, Real d) {
  const Real x_floor = Real(1e-6);
  if constexpr (B == Build::device) {
    return std::abs((r / d) / (x_floor + std::abs(x)));
  } else {
    const Real v = std::abs(r / d);
    return std::isnan(x) ? x : v;
  }
}

// The running maximum of MAXREL: it starts at 0 and takes every value at or
// above it, so the last of equal values wins; the first NaN settles it.
template <class Real>
struct LargestMeasure {
  Real largest = 0;
  int at = 0;
  bool settled = false;

  // Takes the measure v of node k; false once the maximum is settled.
  bool take(Real v, int k) {
    if (v >= largest) {
      largest = v;
      at = k;
    } else if (std::isnan(v)) {
      largest = v;
      at = k;
      settled = true;
    }
    return !settled;
  }
  // Takes the measures v[0..count-1] of the nodes first, first+1, ...
  void scan(const Real* v, int first, int count) {
    for (int i = 0; i < count; ++i)
      if (!take(v[i], first + i)) return;
  }
  Real report(int NX, int& I, int& J) const {
    J = at / NX + 1;
    I = at - (at / NX) * NX + 1;
    return largest;
  }
};

// Nodes measured at a time by the fused kernels: the measures of a block are
// formed in one vectorisable loop, then scanned in node order.
inline constexpr int measure_block = 256;

}  // namespace detail

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
  detail::LargestMeasure<Real> m;
  for (int k = 0; k < N; ++k) {
    const Real v = detail::node_measure<Real, B>(R[k], X[k], D[k]);
    if (!m.take(v, k)) break;
  }
  return m.report(NX, I, J);
}

// The step of the Krylov solvers and its measure in one pass:
// X := X + ALPHA*P and R := R - ALPHA*Q (as VAXPY(X, P, X, N, ALPHA) and
// VAXPY(R, Q, R, N, -ALPHA)), then MAXREL(R, X, D) of the updated arrays,
// with the same values, position and rules. X, P, R, Q, D distinct arrays.
template <class Real, Build B = build_of<Real>>
Real VAXPY2_MAXREL(std::type_identity_t<Real> ALPHA, std::type_identity_t<std::span<const Real>> P,
                   std::type_identity_t<std::span<const Real>> Q,
                   std::type_identity_t<std::span<Real>> X, std::type_identity_t<std::span<Real>> R,
                   std::type_identity_t<std::span<const Real>> D, int N, int NX, int& I, int& J) {
  if (N < 1) return 0;
  assert(NX >= 1 && P.size() >= std::size_t(N) && Q.size() >= std::size_t(N) &&
         X.size() >= std::size_t(N) && R.size() >= std::size_t(N) && D.size() >= std::size_t(N));
  const Real* p = P.data();
  const Real* q = Q.data();
  const Real* d = D.data();
  Real* x = X.data();
  Real* r = R.data();
  const Real minus_alpha = -ALPHA;
  detail::LargestMeasure<Real> m;
  Real v[detail::measure_block];
  for (int first = 0; first < N; first += detail::measure_block) {
    const int count = N - first < detail::measure_block ? N - first : detail::measure_block;
    for (int i = 0; i < count; ++i) {
      const int k = first + i;
      x[k] = ALPHA * p[k] + x[k];
      r[k] = minus_alpha * q[k] + r[k];
      v[i] = detail::node_measure<Real, B>(r[k], x[k], d[k]);
    }
    if (!m.settled) m.scan(v, first, count);
  }
  return m.report(NX, I, J);
}

}  // namespace sim
