// Solver benchmark: ZEDERM (8- and 4-byte reals) and ZEDERM2 on five-point
// systems of NX = NY = 100, 300 and 1000 nodes, a symmetric Poisson system
// and a non-symmetric convection-diffusion system with Scharfetter-Gummel
// couplings.
//
// Per case one line: mesh, iterations, seconds, nanoseconds per node and
// iteration, and the effective bandwidth: the bytes the kernel calls of the
// solve must stream (counted from each call's operand arrays, see
// zederm_words and zederm2_words) divided by the solve's time. Beside it the
// bandwidth of a plain streaming copy measured in the same run, and their
// ratio: how close the kernels come to the memory limit.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "bench/five_point_systems.hpp"
#include "common/zederm.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

using five_point::poisson;

// Convection-diffusion with a gentle ripple.
template <class Real>
sim::FiveDiagonalArrays<Real> convection_diffusion(int nx, int ny) {
  return five_point::convection_diffusion<Real>(nx, ny, 0.05);
}

// Node-array words streamed by one ZEDERM call of `it` iterations.
double zederm_words(int it, bool device) {
  const double factor = 5 + 6;              // PENTFAC: five diagonals in, six factors out
  const double start = 7 + 3 + 11 + 2;      // PENTMV, VAXPY, PENTSLV, VCOPY
  const double r0 = device ? 2 : 0;         // VCOPY into R0
  const double first_rho = 2;               // VDOT
  const double step = 7 + 2 + 3 + 3 + 3;    // PENTMV, VDOT, 2 VAXPY, MAXREL
  const double next_direction = 11 + 2 + 3; // PENTSLV, VDOT, VAXPY (not after the last)
  const double map = 4;                     // R, C0, X in; R out
  return factor + start + r0 + first_rho + it * step + (it - 1) * next_direction + map;
}

// Node-array words streamed by one ZEDERM2 call of `it` iterations.
double zederm2_words(int it) {
  const double factor = 5 + 6;
  const double start = 7 + 3 + 2 + 2 + 2;   // PENTMV, VAXPY, VCOPY, 2 VSCAL
  const double step = 2 + 3 + 3 + 11 + 7 + 2 + 3 + 3 + 11 + 7 + 1 + 2 + 3 + 3 + 3;
  const double map = 4;
  return factor + start + it * step + map;
}

// Best bandwidth of a plain copy of `bytes` bytes (read and write counted).
double copy_bandwidth(std::size_t bytes) {
  std::vector<double> from(bytes / sizeof(double), 1.0), to(from.size(), 0.0);
  double best = 1e30;
  for (int pass = 0; pass < 5; ++pass) {
    const auto start = Clock::now();
    for (std::size_t k = 0; k < from.size(); ++k) to[k] = from[k];
    best = std::min(best, seconds_since(start));
    from[pass] = to[from.size() - 1 - pass];  // keep the copies observable
  }
  return 2.0 * double(bytes) / best;
}

struct Timing {
  int iterations = 0;
  double seconds = 1e30;
  double residual = 0;
};

enum class Solver { zederm, zederm2 };

template <class Real>
Timing run(Solver solver, const sim::FiveDiagonalArrays<Real>& a, Real tol, int repeats) {
  const std::vector<Real> b(a.N, Real(1));
  std::vector<Real> x(a.N);
  sim::SolverStorage<Real> work(a.N, 1000);
  Timing best;
  for (int pass = 0; pass < repeats; ++pass) {
    std::fill(x.begin(), x.end(), Real(0));
    const auto start = Clock::now();
    const auto s = solver == Solver::zederm
                       ? sim::ZEDERM(work.zederm(a.view(), b, x, tol, Real(0), 1000, 0), std::cout)
                       : sim::ZEDERM2(work.zederm2(a.view(), b, x, tol, Real(0), 1000, 0), std::cout);
    const double t = seconds_since(start);
    if (t < best.seconds) best = {s.iterations, t, double(s.residual)};
  }
  return best;
}

template <class Real>
void report(const char* name, int size, Solver solver, const sim::FiveDiagonalArrays<Real>& a,
            Real tol, double copy_rate) {
  const int repeats = size >= 1000 ? 1 : 3;
  const Timing t = run(solver, a, tol, repeats);
  const double words = solver == Solver::zederm ? zederm_words(t.iterations, sim::build_of<Real> == sim::Build::device)
                                                : zederm2_words(t.iterations);
  const double rate = words * double(a.N) * sizeof(Real) / t.seconds;
  const double ns = t.seconds * 1e9 / (double(a.N) * t.iterations);
  std::printf("%-30s %4dx%-4d %5d %10.4f %9.2f %8.2f %8.2f %6.2f %11.3e\n", name, size, size,
              t.iterations, t.seconds, ns, rate / 1e9, copy_rate / 1e9, rate / copy_rate,
              t.residual);
  std::fflush(stdout);
}

}  // namespace

int main() {
  const double copy_rate = copy_bandwidth(std::size_t(256) << 20);
  std::printf("Streaming copy of 256 MiB: %.2f GB/s (read + write)\n", copy_rate / 1e9);
  std::printf("%-30s %9s %5s %10s %9s %8s %8s %6s %11s\n", "case", "mesh", "iter", "seconds",
              "ns/node/it", "GB/s", "copyGB/s", "ratio", "residual");
  for (int size : {100, 300, 1000}) {
    {
      const auto a = poisson<double>(size, size);
      report("ZEDERM  double Poisson", size, Solver::zederm, a, 1e-8, copy_rate);
      report("ZEDERM2 double Poisson", size, Solver::zederm2, a, 1e-8, copy_rate);
    }
    report("ZEDERM  float  Poisson", size, Solver::zederm, poisson<float>(size, size), 1e-5f,
           copy_rate);
    report("ZEDERM2 double conv.-diffusion", size, Solver::zederm2,
           convection_diffusion<double>(size, size), 1e-8, copy_rate);
  }
  return 0;
}
