#pragma once
// Preconditioned Krylov solvers for five-diagonal systems:
//   ZEDERM  - incomplete-LU preconditioned conjugate gradients (both builds);
//   ZEDERM2 - incomplete-LU preconditioned BiCGSTAB for non-symmetric systems.
// Both factor the matrix on every call, iterate from the caller's start
// vector, measure convergence with MAXREL, keep the history of the measure,
// turn the residual array into a relative-residual map on exit and print a
// summary or the history on request. All arrays belong to the caller.
#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "common/five_diagonal.hpp"
#include "common/fortran_format.hpp"

namespace sim {

// Arguments of ZEDERM (all arrays of length N unless said otherwise).
template <class Real>
struct ZedermArgs {
  FiveDiagonal<Real> A;     // CM1, CMNX, CP1, CPNX, C0, NX, N
  std::span<const Real> B;  // right-hand side
  std::span<Real> X;        // in: start vector; out: solution
  Real TOL = 0;             // stop when the measure res <= TOL
  Real RTOL = 0;            // stop when res / res(iteration 1) < RTOL
  int MAXIT = 0;            // stop when the iteration count reaches MAXIT
  int IPRNT = 0;            // 1 summary, 2 history, 3 per iteration (process build)
  std::span<Real> P;        // work: search direction
  std::span<Real> Q;        // work: A*P, then the preconditioned residual
  std::span<Real> R;        // work: residual; out: relative-residual map
  IluFactors<Real> ilu;     // factor storage, filled on every call
  std::span<Real> HIST;     // out: measure of iteration k in HIST[k-1] (room for 200)
  std::span<Real> R0;       // out: start residual B - A*X (device build; may be empty)
};

// Arguments of ZEDERM2.
template <class Real>
struct Zederm2Args {
  FiveDiagonal<Real> A;
  std::span<const Real> B;
  std::span<Real> X;
  Real TOL = 0;
  Real RTOL = 0;
  int MAXIT = 0;
  int IPRNT = 0;            // 1 summary, 2 history
  std::span<Real> P;        // work: search direction
  std::span<Real> PHAT;     // work: preconditioned search direction
  std::span<Real> R;        // work: residual and intermediate residual; out: map
  IluFactors<Real> ilu;
  std::span<Real> SHAT;     // work: preconditioned intermediate residual
  std::span<Real> HIST;     // out: measure per iteration (room for MAXIT entries)
  std::span<Real> V;        // work: A*PHAT
  std::span<Real> T;        // work: A*SHAT
  std::span<Real> RHAT;     // out: start residual, the shadow residual
};

// What a solve ended with, besides X, HIST and the map in R.
template <class Real>
struct SolveSummary {
  int iterations = 0;      // iterations performed (it)
  Real residual = 0;       // measure after the last iteration (res)
  bool breakdown = false;  // ended on an exactly zero denominator, X kept
};

// Most iterations ZEDERM performs, whatever MAXIT says.
inline constexpr int zederm_iteration_cap = 200;

// Owning work storage for either solver on N unknowns, with room for
// `history` entries of HIST.
template <class Real>
struct SolverStorage {
  SolverStorage(int N, int history)
      : P(N), Q(N), R(N), PHAT(N), SHAT(N), V(N), T(N), RHAT(N), R0(N), LMNX(N), LM1(N), PIV(N),
        LMNX1(N), UPNX1(N), UP1(N), HIST(history) {}
  std::vector<Real> P, Q, R, PHAT, SHAT, V, T, RHAT, R0;
  std::vector<Real> LMNX, LM1, PIV, LMNX1, UPNX1, UP1;
  std::vector<Real> HIST;

  IluFactors<Real> ilu() { return {LMNX, LM1, PIV, LMNX1, UPNX1, UP1}; }

  ZedermArgs<Real> zederm(const FiveDiagonal<Real>& A, std::span<const Real> B, std::span<Real> X,
                          Real TOL, Real RTOL, int MAXIT, int IPRNT) {
    return {A, B, X, TOL, RTOL, MAXIT, IPRNT, P, Q, R, ilu(), HIST, R0};
  }
  Zederm2Args<Real> zederm2(const FiveDiagonal<Real>& A, std::span<const Real> B,
                            std::span<Real> X, Real TOL, Real RTOL, int MAXIT, int IPRNT) {
    return {A, B, X, TOL, RTOL, MAXIT, IPRNT, P, PHAT, R, ilu(), SHAT, HIST, V, T, RHAT};
  }
};

// The kernels a solver iteration runs on; both sets give the same values bit
// for bit.
//   FusedKernels:     PENTSLV with mesh rows in flight, the product A*P fused
//                     with its inner product, the step fused with the measure.
//   NodeOrderKernels: every kernel a pass of its own, PENTSLV in node order;
//                     the reference of the tests and the solver benchmark.
struct FusedKernels {
  // Z := M^-1 R with the factors of PENTFAC.
  template <class Real>
  static void precondition(const FiveDiagonal<Real>& A, const IluFactors<Real>& F,
                           std::type_identity_t<std::span<const Real>> R,
                           std::type_identity_t<std::span<Real>> Z) {
    PENTSLV<Real>(F, A.CPNX, R, Z, A.N, A.NX);
  }
  // Q := A*P; returns Q.P.
  template <class Real>
  static Real product_dot(const FiveDiagonal<Real>& A,
                          std::type_identity_t<std::span<const Real>> P,
                          std::type_identity_t<std::span<Real>> Q) {
    return PENTMV_VDOT<Real>(A, P, Q);
  }
  // X := X + alpha*P, R := R - alpha*Q; returns MAXREL(R, X, C0).
  template <class Real, Build B>
  static Real step_measure(const FiveDiagonal<Real>& A, std::type_identity_t<Real> alpha,
                           std::type_identity_t<std::span<const Real>> P,
                           std::type_identity_t<std::span<const Real>> Q,
                           std::type_identity_t<std::span<Real>> X,
                           std::type_identity_t<std::span<Real>> R) {
    int i = 0, j = 0;
    return VAXPY2_MAXREL<Real, B>(alpha, P, Q, X, R, A.C0, A.N, A.NX, i, j);
  }
};

struct NodeOrderKernels {
  template <class Real>
  static void precondition(const FiveDiagonal<Real>& A, const IluFactors<Real>& F,
                           std::type_identity_t<std::span<const Real>> R,
                           std::type_identity_t<std::span<Real>> Z) {
    node_order::PENTSLV<Real>(F, A.CPNX, R, Z, A.N, A.NX);
  }
  template <class Real>
  static Real product_dot(const FiveDiagonal<Real>& A,
                          std::type_identity_t<std::span<const Real>> P,
                          std::type_identity_t<std::span<Real>> Q) {
    PENTMV<Real>(A, P, Q);
    return VDOT<Real>(Q, P, A.N);
  }
  template <class Real, Build B>
  static Real step_measure(const FiveDiagonal<Real>& A, std::type_identity_t<Real> alpha,
                           std::type_identity_t<std::span<const Real>> P,
                           std::type_identity_t<std::span<const Real>> Q,
                           std::type_identity_t<std::span<Real>> X,
                           std::type_identity_t<std::span<Real>> R) {
    VAXPY<Real>(X, P, X, A.N, alpha);
    VAXPY<Real>(R, Q, R, A.N, -alpha);
    int i = 0, j = 0;
    return MAXREL<Real, B>(R, X, A.C0, A.N, A.NX, i, j);
  }
};

namespace detail {

// The measure of an iteration without a step.
template <class Real, Build B>
Real measure(const FiveDiagonal<Real>& A, std::span<const Real> R, std::span<const Real> X) {
  int i = 0, j = 0;
  return MAXREL<Real, B>(R, X, A.C0, A.N, A.NX, i, j);
}

// The measure of iteration it, recorded in the history.
template <class Real>
Real record(Real res, std::span<Real> HIST, int it) {
  if (std::size_t(it) <= HIST.size()) HIST[it - 1] = res;
  return res;
}

// Ratio of the measure to its first value; an exactly solved first
// iteration with an exactly zero measure counts as fully reduced.
template <class Real>
Real reduction(Real res, Real res1) {
  if (res1 == 0 && res == 0) return 0;
  return res / res1;
}

// R := B - A*X (the start residual).
template <class Real>
void start_residual(const FiveDiagonal<Real>& A, std::span<const Real> B, std::span<const Real> X,
                    std::span<Real> R) {
  PENTMV<Real>(A, X, R);
  VAXPY<Real>(B, R, R, A.N, Real(-1));
}

// R(k) := 1e10 * (1e-12 + |R(k)/C0(k)/(1e-6 + |X(k)|)|): the relative residual,
// shifted so that a zero residual maps to 0.01. Values beyond the real range
// are held at its largest finite value.
template <class Real>
void residual_map(const FiveDiagonal<Real>& A, std::span<const Real> X, std::span<Real> R) {
  const Real scale = Real(1e10), shift = Real(1e-12), x_floor = Real(1e-6);
  const Real largest = std::numeric_limits<Real>::max();
  for (int k = 0; k < A.N; ++k) {
    const Real v = scale * (shift + std::abs(R[k] / A.C0[k] / (x_floor + std::abs(X[k]))));
    R[k] = v > largest ? largest : v;
  }
}

template <Build B>
std::string exponent_field(double value, int w, int d) {
  return B == Build::device ? ftn::D(value, w, d, 1) : ftn::E(value, w, d, 1);
}

// IPRNT 1: one summary line; IPRNT 2: the history, ten values per line.
template <class Real, Build B>
void print_summary(std::ostream& out, int IPRNT, int it, Real res, std::span<const Real> HIST) {
  if (IPRNT == 1) {
    out << "  NUMBER OF ITER ZEDERM" << ftn::I(it, 5) << "   RESIDUAL"
        << exponent_field<B>(res, 14, 5) << '\n';
  } else if (IPRNT == 2) {
    out << "  ITER NUMBER" << ftn::I(it, 5) << "   RESIDUAL\n";
    const int stored = std::min<int>(it, int(HIST.size()));
    for (int first = 0; first < stored; first += 10) {
      out << "  ";
      for (int k = first; k < std::min(first + 10, stored); ++k) out << exponent_field<B>(HIST[k], 12, 3);
      out << '\n';
    }
  }
}

// IPRNT 3 of the process build: one line per iteration.
template <class Real>
void print_iteration(std::ostream& out, int it, Real res) {
  out << " Iter" << ftn::I(it, 3) << " res " << ftn::E(res, 7, 1, 1) << '\n';
}

}  // namespace detail

// Incomplete-LU preconditioned conjugate gradients. At least 2 and at most
// 200 iterations; the direction restarts every 20 iterations. The build
// decides the measure (MAXREL), the step rule for a zero curvature Q.P, the
// exponent letter of the prints and whether R0 and IPRNT 3 exist.
// An exactly zero rho (or, in the device build, Q.P) ends the iteration with
// X kept: the system is solved exactly or the residual is zero. The kernel
// set changes the speed only, never a value.
template <class Real, Build Variant = build_of<Real>, class Kernels = FusedKernels>
SolveSummary<Real> ZEDERM(const ZedermArgs<Real>& a, std::ostream& out) {
  const FiveDiagonal<Real>& A = a.A;
  const int N = A.N;
  PENTFAC<Real>(A, a.ilu);
  detail::start_residual<Real>(A, a.B, a.X, a.R);
  if constexpr (Variant == Build::device) {
    if (!a.R0.empty()) VCOPY<Real>(a.R, a.R0, N);
  }
  Kernels::precondition(A, a.ilu, a.R, a.P);
  VCOPY<Real>(a.P, a.Q, N);

  SolveSummary<Real> s;
  Real rho = 0, alpha = 0, res1 = 0;
  for (int it = 1;; ++it) {
    if (it == 1) rho = VDOT<Real>(a.Q, a.R, N);
    bool step = rho != 0;
    if (step) {
      const Real qp = Kernels::product_dot(A, a.P, a.Q);
      if (qp != 0) {
        alpha = rho / qp;
      } else if constexpr (Variant == Build::device) {
        step = false;
      }
    }
    s.breakdown = !step;
    s.iterations = it;
    const Real res =
        step ? Kernels::template step_measure<Real, Variant>(A, alpha, a.P, a.Q, a.X, a.R)
             : detail::measure<Real, Variant>(A, a.R, a.X);
    s.residual = detail::record(res, a.HIST, it);
    if (it == 1) res1 = s.residual;
    const Real ratio = detail::reduction(s.residual, res1);
    if constexpr (Variant == Build::process) {
      if (a.IPRNT == 3) detail::print_iteration(out, it, s.residual);
    }
    if (s.breakdown) break;
    if (it >= 2 && (s.residual <= a.TOL || ratio < a.RTOL || it >= a.MAXIT)) break;
    if (it >= zederm_iteration_cap) break;
    Kernels::precondition(A, a.ilu, a.R, a.Q);
    const Real rho_new = VDOT<Real>(a.Q, a.R, N);
    Real beta = rho_new / rho;
    rho = rho_new;
    if (it % 20 == 0) beta = 0;
    VAXPY<Real>(a.Q, a.P, a.P, N, beta);
  }
  detail::residual_map<Real>(A, a.X, a.R);
  detail::print_summary<Real, Variant>(out, a.IPRNT, s.iterations, s.residual, a.HIST);
  return s;
}

// Incomplete-LU preconditioned BiCGSTAB (device build). Stops on res <= TOL,
// ratio < RTOL or it >= MAXIT, the first iteration included; the direction
// restarts every 120 iterations. An exactly zero rho, omega, RHAT.V or T.T
// ends the iteration with X kept (as far as the half step reached).
template <class Real, class Kernels = FusedKernels>
SolveSummary<Real> ZEDERM2(const Zederm2Args<Real>& a, std::ostream& out) {
  constexpr Build Variant = Build::device;
  const FiveDiagonal<Real>& A = a.A;
  const int N = A.N;
  PENTFAC<Real>(A, a.ilu);
  detail::start_residual<Real>(A, a.B, a.X, a.R);
  VCOPY<Real>(a.R, a.RHAT, N);
  VSCAL<Real>(a.P, Real(0), N);
  VSCAL<Real>(a.V, Real(0), N);

  SolveSummary<Real> s;
  Real rho = 1, alpha = 1, omega = 1, res1 = 0;
  for (int it = 1;; ++it) {
    const Real rho_prev = rho;
    rho = VDOT<Real>(a.RHAT, a.R, N);
    bool complete = rho != 0 && omega != 0;
    bool measured = false;  // the last step measured the residual
    Real res = 0;
    if (complete) {
      Real beta = (rho / rho_prev) * (alpha / omega);
      if (it % 120 == 0) beta = 0;
      VAXPY<Real>(a.P, a.V, a.P, N, -omega);
      VAXPY<Real>(a.R, a.P, a.P, N, beta);
      Kernels::precondition(A, a.ilu, a.P, a.PHAT);
      PENTMV<Real>(A, a.PHAT, a.V);
      const Real rv = VDOT<Real>(a.RHAT, a.V, N);
      complete = rv != 0;
      if (complete) {
        alpha = rho / rv;
        VAXPY<Real>(a.X, a.PHAT, a.X, N, alpha);
        VAXPY<Real>(a.R, a.V, a.R, N, -alpha);
        Kernels::precondition(A, a.ilu, a.R, a.SHAT);
        PENTMV<Real>(A, a.SHAT, a.T);
        const Real tt = VDOT<Real>(a.T, a.T, N);
        complete = tt != 0;
        if (complete) {
          omega = VDOT<Real>(a.R, a.T, N) / tt;
          res = Kernels::template step_measure<Real, Variant>(A, omega, a.SHAT, a.T, a.X, a.R);
          measured = true;
        }
      }
    }
    s.breakdown = !complete;
    s.iterations = it;
    if (!measured) res = detail::measure<Real, Variant>(A, a.R, a.X);
    s.residual = detail::record(res, a.HIST, it);
    if (it == 1) res1 = s.residual;
    const Real ratio = detail::reduction(s.residual, res1);
    if (s.breakdown) break;
    if (s.residual <= a.TOL || ratio < a.RTOL || it >= a.MAXIT) break;
  }
  detail::residual_map<Real>(A, a.X, a.R);
  detail::print_summary<Real, Variant>(out, a.IPRNT, s.iterations, s.residual, a.HIST);
  return s;
}

}  // namespace sim
