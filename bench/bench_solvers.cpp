// Solver benchmark: ZEDERM (8- and 4-byte reals) and ZEDERM2 on five-point
// systems of NX = NY = 100, 300 and 1000 nodes, a symmetric Poisson system
// and a non-symmetric convection-diffusion system with Scharfetter-Gummel
// couplings.
//
// Every case runs twice in the same process: on the solvers' own kernels
// (PENTSLV with mesh rows in flight, fused product and inner product, fused
// step and measure) and on the node-order kernels, each a pass of its own.
// Per case one line: mesh, iterations, seconds of both, their ratio, nanoseconds
// per node and iteration, and the effective bandwidth: the bytes the kernel
// calls of the solve must stream (counted from each call's operand arrays, see
// zederm_words and zederm2_words) divided by the solve's time. Beside it the
// ratio to a plain streaming copy measured in the same run, and whether both
// runs gave the same solution, history and residual map, byte for byte.
//
// Then PENTSLV alone on the Poisson factors: nanoseconds per node of both
// kernels and the bandwidth of the 11 node words it streams.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
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

// Node-array words streamed by one ZEDERM call of `it` iterations on the
// fused kernels.
double zederm_words(int it, bool device) {
  const double factor = 5 + 6;              // PENTFAC: five diagonals in, six factors out
  const double start = 7 + 3 + 11 + 2;      // PENTMV, VAXPY, PENTSLV, VCOPY
  const double r0 = device ? 2 : 0;         // VCOPY into R0
  const double first_rho = 2;               // VDOT
  const double step = 7 + 7;                // PENTMV with Q.P; X, R updates with MAXREL
  const double next_direction = 11 + 2 + 3; // PENTSLV, VDOT, VAXPY (not after the last)
  const double map = 4;                     // R, C0, X in; R out
  return factor + start + r0 + first_rho + it * step + (it - 1) * next_direction + map;
}

// Node-array words streamed by one ZEDERM2 call of `it` iterations on the
// fused kernels.
double zederm2_words(int it) {
  const double factor = 5 + 6;
  const double start = 7 + 3 + 2 + 2 + 2;   // PENTMV, VAXPY, VCOPY, 2 VSCAL
  const double step = 2 + 3 + 3 + 11 + 7 + 2 + 3 + 3 + 11 + 7 + 1 + 2 + 7;
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

template <class Real>
bool same_bytes(const std::vector<Real>& a, const std::vector<Real>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Real)) == 0;
}

// A solve's timing and everything it leaves behind.
template <class Real>
struct Outcome {
  int iterations = 0;
  double seconds = 1e30;
  Real residual = 0;
  std::vector<Real> x, map, history;

  bool same_results(const Outcome& o) const {
    return iterations == o.iterations && same_bytes(x, o.x) && same_bytes(map, o.map) &&
           same_bytes(history, o.history);
  }
};

enum class Solver { zederm, zederm2 };

template <class Real, class Kernels>
Outcome<Real> run(Solver solver, const sim::FiveDiagonalArrays<Real>& a, Real tol, int repeats) {
  constexpr sim::Build variant = sim::build_of<Real>;
  const std::vector<Real> b(a.N, Real(1));
  std::vector<Real> x(a.N);
  sim::SolverStorage<Real> work(a.N, 1000);
  Outcome<Real> best;
  for (int pass = 0; pass < repeats; ++pass) {
    std::fill(x.begin(), x.end(), Real(0));
    const auto start = Clock::now();
    const auto s = solver == Solver::zederm
                       ? sim::ZEDERM<Real, variant, Kernels>(
                             work.zederm(a.view(), b, x, tol, Real(0), 1000, 0), std::cout)
                       : sim::ZEDERM2<Real, Kernels>(
                             work.zederm2(a.view(), b, x, tol, Real(0), 1000, 0), std::cout);
    const double t = seconds_since(start);
    if (t < best.seconds) {
      best.iterations = s.iterations;
      best.seconds = t;
      best.residual = s.residual;
      best.x = x;
      best.map = work.R;
      best.history.assign(work.HIST.begin(), work.HIST.begin() + s.iterations);
    }
  }
  return best;
}

template <class Real>
void report(const char* name, int size, Solver solver, const sim::FiveDiagonalArrays<Real>& a,
            Real tol, double copy_rate) {
  const int repeats = size >= 1000 ? 1 : 3;
  const auto fused = run<Real, sim::FusedKernels>(solver, a, tol, repeats);
  const auto node_order = run<Real, sim::NodeOrderKernels>(solver, a, tol, repeats);
  const bool device = sim::build_of<Real> == sim::Build::device;
  const double words = solver == Solver::zederm ? zederm_words(fused.iterations, device)
                                                : zederm2_words(fused.iterations);
  const double rate = words * double(a.N) * sizeof(Real) / fused.seconds;
  const double ns = fused.seconds * 1e9 / (double(a.N) * fused.iterations);
  std::printf("%-30s %4dx%-4d %5d %9.4f %9.4f %6.2fx %9.2f %7.2f %6.2f  %-9s %11.3e\n", name, size,
              size, fused.iterations, fused.seconds, node_order.seconds,
              node_order.seconds / fused.seconds, ns, rate / 1e9, rate / copy_rate,
              fused.same_results(node_order) ? "identical" : "DIFFERENT", double(fused.residual));
  std::fflush(stdout);
}

// PENTSLV alone: best time of `repeats` calls of either kernel on the factors
// of the Poisson system, and whether both give the same bytes.
template <class Real>
void report_pentslv(int size, double copy_rate) {
  const auto a = poisson<Real>(size, size);
  sim::SolverStorage<Real> work(a.N, 0);
  sim::PENTFAC(a.view(), work.ilu());
  std::vector<Real> r(a.N), z_rows(a.N), z_nodes(a.N);
  for (int k = 0; k < a.N; ++k) r[k] = Real(1 + 0.001 * (k % 997));
  const int repeats = size >= 1000 ? 10 : 50;
  double rows = 1e30, nodes = 1e30;
  for (int pass = 0; pass < repeats; ++pass) {
    auto start = Clock::now();
    sim::PENTSLV(work.ilu(), a.CPNX, r, z_rows, a.N, a.NX);
    rows = std::min(rows, seconds_since(start));
    start = Clock::now();
    sim::node_order::PENTSLV(work.ilu(), a.CPNX, r, z_nodes, a.N, a.NX);
    nodes = std::min(nodes, seconds_since(start));
  }
  const double rate = 11.0 * double(a.N) * sizeof(Real) / rows;
  std::printf("PENTSLV %-6s %4dx%-4d rows in flight %6.2f ns/node, node order %6.2f ns/node, %5.2fx"
              "  %6.2f GB/s  %4.2f of copy  %s\n",
              sizeof(Real) == 8 ? "double" : "float", size, size, rows * 1e9 / a.N,
              nodes * 1e9 / a.N, nodes / rows, rate / 1e9, rate / copy_rate,
              same_bytes(z_rows, z_nodes) ? "identical" : "DIFFERENT");
  std::fflush(stdout);
}

}  // namespace

int main() {
  const double copy_rate = copy_bandwidth(std::size_t(256) << 20);
  std::printf("Streaming copy of 256 MiB: %.2f GB/s (read + write)\n", copy_rate / 1e9);
  std::printf("%-30s %9s %5s %9s %9s %7s %9s %7s %6s  %-9s %11s\n", "case", "mesh", "iter",
              "seconds", "node-ord", "speedup", "ns/node/it", "GB/s", "copy", "results",
              "residual");
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
  for (int size : {100, 300, 1000}) {
    report_pentslv<double>(size, copy_rate);
    report_pentslv<float>(size, copy_rate);
  }
  return 0;
}
