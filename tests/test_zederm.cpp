// The preconditioned solvers ZEDERM and ZEDERM2: convergence, iteration
// limits, breakdown, the residual map and the print modes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "bench/five_point_systems.hpp"
#include "common/zederm.hpp"

namespace {

using sim::Build;
using sim::FiveDiagonalArrays;
using sim::SolverStorage;

using five_point::poisson;

// Convection-diffusion with a strong ripple.
template <class Real>
FiveDiagonalArrays<Real> convection_diffusion(int nx, int ny) {
  return five_point::convection_diffusion<Real>(nx, ny, 0.5);
}

template <class Real>
std::vector<Real> random_rhs(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(0.5, 1.5);
  std::vector<Real> b(n);
  for (auto& v : b) v = Real(u(gen));
  return b;
}

// Relative true residual max |B - A*X| / max |B|.
template <class Real>
double true_residual(const FiveDiagonalArrays<Real>& a, const std::vector<Real>& b,
                     const std::vector<Real>& x) {
  std::vector<Real> ax(a.N);
  sim::PENTMV(a.view(), x, ax);
  double worst = 0, scale = 0;
  for (int k = 0; k < a.N; ++k) {
    worst = std::max(worst, std::abs(double(b[k]) - double(ax[k])));
    scale = std::max(scale, std::abs(double(b[k])));
  }
  return worst / scale;
}

enum class Solver { zederm, zederm2 };

template <class Real>
sim::SolveSummary<Real> solve(Solver solver, const FiveDiagonalArrays<Real>& a,
                              const std::vector<Real>& b, std::vector<Real>& x,
                              SolverStorage<Real>& w, Real tol, Real rtol, int maxit,
                              std::ostream& out, int iprnt = 0) {
  if (solver == Solver::zederm) return sim::ZEDERM(w.zederm(a.view(), b, x, tol, rtol, maxit, iprnt), out);
  return sim::ZEDERM2(w.zederm2(a.view(), b, x, tol, rtol, maxit, iprnt), out);
}

TEST(Zederm, ConvergesToTheRequestedTolerance) {
  struct Case {
    const char* what;
    Solver solver;
    bool symmetric;
    double tol;
  };
  const Case cases[] = {
      {"CG, symmetric", Solver::zederm, true, 1e-10},
      {"BiCGSTAB, symmetric", Solver::zederm2, true, 1e-10},
      {"BiCGSTAB, non-symmetric", Solver::zederm2, false, 1e-10},
  };
  std::ostringstream out;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto a = c.symmetric ? poisson<double>(23, 17) : convection_diffusion<double>(23, 17);
    const auto b = random_rhs<double>(a.N, 5);
    std::vector<double> x(a.N, 0.0);
    SolverStorage<double> w(a.N, 200);
    const auto s = solve(c.solver, a, b, x, w, c.tol, 0.0, 200, out);
    EXPECT_LE(s.residual, c.tol);
    EXPECT_FALSE(s.breakdown);
    EXPECT_LT(s.iterations, 100);
    EXPECT_EQ(w.HIST[s.iterations - 1], s.residual);
    EXPECT_LT(true_residual(a, b, x), 1e-8);
  }
  EXPECT_EQ(out.str(), "");
}

TEST(Zederm, ProcessBuildConvergesInFourByteReals) {
  const auto a = poisson<float>(23, 17);
  const auto b = random_rhs<float>(a.N, 6);
  std::vector<float> x(a.N, 0.0f);
  SolverStorage<float> w(a.N, 200);
  std::ostringstream out;
  const auto s = sim::ZEDERM(w.zederm(a.view(), b, x, 1e-5f, 0.0f, 200, 0), out);
  EXPECT_LE(s.residual, 1e-5f);
  EXPECT_GE(s.iterations, 2);
  EXPECT_LT(true_residual(a, b, x), 1e-4);
}

TEST(Zederm, StopsOnTheRelativeReduction) {
  const auto a = poisson<double>(30, 30);
  const auto b = random_rhs<double>(a.N, 2);
  for (Solver solver : {Solver::zederm, Solver::zederm2}) {
    std::vector<double> x(a.N, 0.0);
    SolverStorage<double> w(a.N, 200);
    std::ostringstream out;
    const auto s = solve(solver, a, b, x, w, 0.0, 1e-4, 200, out);
    const int it = s.iterations;
    ASSERT_GE(it, 3);
    EXPECT_LT(w.HIST[it - 1] / w.HIST[0], 1e-4);
    EXPECT_GE(w.HIST[it - 2] / w.HIST[0], 1e-4);
  }
}

TEST(Zederm, StartResidualIsKept) {
  const auto a = convection_diffusion<double>(9, 7);
  const auto b = random_rhs<double>(a.N, 3);
  std::vector<double> x0 = random_rhs<double>(a.N, 4), expect(a.N);
  sim::PENTMV(a.view(), x0, expect);
  for (int k = 0; k < a.N; ++k) expect[k] = b[k] - expect[k];
  std::ostringstream out;
  SolverStorage<double> w(a.N, 200);
  std::vector<double> x = x0;
  sim::ZEDERM(w.zederm(a.view(), b, x, 1e-8, 0.0, 200, 0), out);
  EXPECT_EQ(w.R0, expect);
  x = x0;
  sim::ZEDERM2(w.zederm2(a.view(), b, x, 1e-8, 0.0, 200, 0), out);
  EXPECT_EQ(w.RHAT, expect);
}

TEST(Zederm, IterationFloorAndCap) {
  struct Case {
    const char* what;
    Solver solver;
    double tol;
    int maxit;
    int iterations;
  };
  const Case cases[] = {
      {"CG: MAXIT 1 still runs two", Solver::zederm, 0.0, 1, 2},
      {"CG: MAXIT 0 still runs two", Solver::zederm, 0.0, 0, 2},
      {"CG: loose TOL still runs two", Solver::zederm, 1e30, 100, 2},
      {"CG: MAXIT", Solver::zederm, 0.0, 13, 13},
      {"CG: at most 200", Solver::zederm, 0.0, 500, 200},
      {"BiCGSTAB: MAXIT 1 runs one", Solver::zederm2, 0.0, 1, 1},
      {"BiCGSTAB: loose TOL stops at once", Solver::zederm2, 1e30, 100, 1},
      {"BiCGSTAB: MAXIT", Solver::zederm2, 0.0, 7, 7},
  };
  const auto a = poisson<double>(40, 40);
  const auto b = random_rhs<double>(a.N, 8);
  std::ostringstream out;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<double> x(a.N, 0.0);
    SolverStorage<double> w(a.N, 500);
    EXPECT_EQ(solve(c.solver, a, b, x, w, c.tol, 0.0, c.maxit, out).iterations, c.iterations);
  }
}

TEST(Zederm, DirectionRestartsEveryTwentyIterations) {
  // After iteration 20 the search direction is the preconditioned residual,
  // exactly as at the start of a fresh call from the iterate of iteration 20.
  const auto a = poisson<double>(60, 60);
  const auto b = random_rhs<double>(a.N, 1);
  std::ostringstream out;
  SolverStorage<double> w(a.N, 200);
  std::vector<double> straight(a.N, 0.0), restarted(a.N, 0.0);
  solve(Solver::zederm, a, b, straight, w, 0.0, 0.0, 25, out);
  solve(Solver::zederm, a, b, restarted, w, 0.0, 0.0, 20, out);
  solve(Solver::zederm, a, b, restarted, w, 0.0, 0.0, 5, out);
  double diff = 0, size = 0;
  for (int k = 0; k < a.N; ++k) {
    diff = std::max(diff, std::abs(straight[k] - restarted[k]));
    size = std::max(size, std::abs(straight[k]));
  }
  EXPECT_LT(diff / size, 1e-9);
}

// Zero right-hand side from a zero start, and a diagonal system that the
// first step solves exactly (C0 = 2, B = 1: every operation is exact).
struct BreakdownCase {
  const char* what;
  Solver solver;
  double rhs;
  int iterations;
  double solution;
};

template <class Real, Build Variant>
void check_breakdown(const BreakdownCase& c) {
  SCOPED_TRACE(c.what);
  FiveDiagonalArrays<Real> a(4, 3);
  std::fill(a.C0.begin(), a.C0.end(), Real(2));
  const std::vector<Real> b(a.N, Real(c.rhs));
  std::vector<Real> x(a.N, Real(0));
  SolverStorage<Real> w(a.N, 200);
  std::ostringstream out;
  // TOL below 0 keeps every stop test false: only the breakdown ends the run.
  const auto s = c.solver == Solver::zederm
                     ? sim::ZEDERM<Real, Variant>(w.zederm(a.view(), b, x, Real(-1), Real(0), 50, 0), out)
                     : sim::ZEDERM2(w.zederm2(a.view(), b, x, Real(-1), Real(0), 50, 0), out);
  EXPECT_TRUE(s.breakdown);
  EXPECT_EQ(s.iterations, c.iterations);
  EXPECT_EQ(s.residual, Real(0));
  for (int k = 0; k < a.N; ++k) {
    EXPECT_EQ(x[k], Real(c.solution));
    // A zero residual maps to 1e10 * 1e-12.
    EXPECT_FLOAT_EQ(w.R[k], 0.01f);
  }
}

TEST(Zederm, BreakdownEndsTheIterationAndKeepsX) {
  const BreakdownCase zero_cg{"CG, zero system", Solver::zederm, 0.0, 1, 0.0};
  const BreakdownCase exact_cg{"CG, solved exactly", Solver::zederm, 1.0, 2, 0.5};
  const BreakdownCase zero_bicg{"BiCGSTAB, zero system", Solver::zederm2, 0.0, 1, 0.0};
  const BreakdownCase exact_bicg{"BiCGSTAB, solved by the half step", Solver::zederm2, 1.0, 1, 0.5};
  check_breakdown<double, Build::device>(zero_cg);
  check_breakdown<double, Build::device>(exact_cg);
  check_breakdown<float, Build::process>(zero_cg);
  check_breakdown<float, Build::process>(exact_cg);
  check_breakdown<double, Build::device>(zero_bicg);
  check_breakdown<double, Build::device>(exact_bicg);
}

TEST(Zederm, ZeroCurvatureKeepsThePreviousStepInTheProcessBuild) {
  // Indefinite 2 x 2 system whose first direction has Q.P = 0 exactly while
  // rho != 0. The process build keeps its previous step length (0 before the
  // first one) and runs on; the device build ends on the zero denominator.
  FiveDiagonalArrays<float> a(2, 2);
  a.C0 = {-3, -1, -1, -3};
  a.CP1 = {1, 0, 1, 0};
  a.CM1 = {0, 1, 0, 1};
  a.CPNX = {2, 2, 0, 0};
  const std::vector<float> b{2, 0, 1, 0};
  std::ostringstream out;
  SolverStorage<float> w(a.N, 200);
  std::vector<float> x(a.N, 0.0f);
  const auto process = sim::ZEDERM<float, Build::process>(w.zederm(a.view(), b, x, 0, 0, 6, 0), out);
  EXPECT_FALSE(process.breakdown);
  EXPECT_EQ(process.iterations, 6);
  EXPECT_EQ(x, std::vector<float>(a.N, 0.0f));
  EXPECT_EQ(process.residual, 1.0f);  // max |B/C0|, R unchanged
  const auto device = sim::ZEDERM<float, Build::device>(w.zederm(a.view(), b, x, 0, 0, 6, 0), out);
  EXPECT_TRUE(device.breakdown);
  EXPECT_EQ(device.iterations, 1);
  EXPECT_EQ(x, std::vector<float>(a.N, 0.0f));
}

TEST(Zederm, NaNStartIsNeverReportedConverged) {
  const auto a = poisson<double>(6, 5);
  const auto b = random_rhs<double>(a.N, 1);
  std::ostringstream out;
  for (Solver solver : {Solver::zederm, Solver::zederm2}) {
    std::vector<double> x(a.N, 0.0);
    x[7] = std::numeric_limits<double>::quiet_NaN();
    SolverStorage<double> w(a.N, 200);
    const auto s = solve(solver, a, b, x, w, 1e30, 0.5, 5, out);
    EXPECT_TRUE(std::isnan(s.residual));
    EXPECT_EQ(s.iterations, 5);
  }
  std::vector<float> x(a.N, 0.0f);
  x[3] = std::numeric_limits<float>::quiet_NaN();
  const auto af = poisson<float>(6, 5);
  const auto bf = random_rhs<float>(a.N, 1);
  SolverStorage<float> w(a.N, 200);
  const auto s = sim::ZEDERM(w.zederm(af.view(), bf, x, 1e30f, 0.5f, 5, 0), out);
  EXPECT_TRUE(std::isnan(s.residual));
  EXPECT_EQ(s.iterations, 5);
}

TEST(Zederm, ResidualMapIsRelativeToTheSolution) {
  // Indefinite diagonal C0 = (1, -1) with B = (1, 1): rho = 1 - 1 = 0 at once,
  // so X stays 0 and the residual stays B.
  FiveDiagonalArrays<double> a(2, 1);
  a.C0 = {1, -1};
  const std::vector<double> b{1, 1};
  std::vector<double> x{0, 0};
  SolverStorage<double> w(a.N, 200);
  std::ostringstream out;
  sim::ZEDERM(w.zederm(a.view(), b, x, 0.0, 0.0, 10, 0), out);
  EXPECT_DOUBLE_EQ(w.R[0], 1e10 * (1e-12 + 1 / 1e-6));
  EXPECT_DOUBLE_EQ(w.R[1], 1e10 * (1e-12 + 1 / 1e-6));
}

// Print modes on the system above: one iteration, known measure.
template <class Real, Build Variant>
std::string printed_breakdown(int iprnt, Solver solver = Solver::zederm) {
  FiveDiagonalArrays<Real> a(2, 1);
  a.C0 = {1, -1};
  std::vector<Real> b{1, 1}, x{0, 0};
  if (solver == Solver::zederm2) b = {0, 0};
  SolverStorage<Real> w(a.N, 200);
  std::ostringstream out;
  if (solver == Solver::zederm) {
    sim::ZEDERM<Real, Variant>(w.zederm(a.view(), b, x, Real(0), Real(0), 10, iprnt), out);
  } else {
    sim::ZEDERM2(w.zederm2(a.view(), b, x, Real(0), Real(0), 10, iprnt), out);
  }
  return out.str();
}

TEST(Zederm, PrintModeLines) {
  using D = double;
  EXPECT_EQ((printed_breakdown<D, Build::device>(1)),
            "  NUMBER OF ITER ZEDERM    1   RESIDUAL   1.00000D+06\n");
  EXPECT_EQ((printed_breakdown<D, Build::device>(2)), "  ITER NUMBER    1   RESIDUAL\n     1.000D+06\n");
  EXPECT_EQ((printed_breakdown<D, Build::device>(1, Solver::zederm2)),
            "  NUMBER OF ITER ZEDERM    1   RESIDUAL   0.00000D+00\n");
  EXPECT_EQ((printed_breakdown<float, Build::process>(1)),
            "  NUMBER OF ITER ZEDERM    1   RESIDUAL   1.00000E+00\n");
  EXPECT_EQ((printed_breakdown<float, Build::process>(2)),
            "  ITER NUMBER    1   RESIDUAL\n     1.000E+00\n");
  EXPECT_EQ((printed_breakdown<float, Build::process>(3)), " Iter  1 res 1.0E+00\n");
  for (int quiet : {0, 3, 4, -1}) EXPECT_EQ((printed_breakdown<D, Build::device>(quiet)), "") << quiet;
  for (int quiet : {0, 4}) EXPECT_EQ((printed_breakdown<float, Build::process>(quiet)), "") << quiet;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

double field_value(std::string field) {
  for (char& c : field)
    if (c == 'D') c = 'E';
  return std::strtod(field.c_str(), nullptr);
}

TEST(Zederm, HistoryPrintsTenValuesPerLine) {
  const auto a = poisson<double>(30, 30);
  const auto b = random_rhs<double>(a.N, 9);
  std::vector<double> x(a.N, 0.0);
  SolverStorage<double> w(a.N, 200);
  std::ostringstream out;
  sim::ZEDERM(w.zederm(a.view(), b, x, 0.0, 0.0, 23, 2), out);
  const auto lines = lines_of(out.str());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "  ITER NUMBER   23   RESIDUAL");
  const std::regex field("   \\d\\.\\d{3}D[+-]\\d{2}");
  int k = 0;
  for (std::size_t l = 1; l < lines.size(); ++l) {
    const std::string& line = lines[l];
    ASSERT_EQ(line.size(), 2 + 12 * (l < 3 ? 10u : 3u)) << line;
    EXPECT_EQ(line.substr(0, 2), "  ");
    for (std::size_t p = 2; p < line.size(); p += 12, ++k) {
      const std::string f = line.substr(p, 12);
      EXPECT_TRUE(std::regex_match(f, field)) << f;
      EXPECT_NEAR(field_value(f), w.HIST[k], 5e-4 * w.HIST[k]) << k;
    }
  }
  EXPECT_EQ(k, 23);
}

TEST(Zederm, ProcessBuildPrintsEveryIteration) {
  const auto a = poisson<float>(30, 30);
  const auto b = random_rhs<float>(a.N, 9);
  std::vector<float> x(a.N, 0.0f);
  SolverStorage<float> w(a.N, 200);
  std::ostringstream out;
  const auto s = sim::ZEDERM(w.zederm(a.view(), b, x, 0.0f, 0.0f, 12, 3), out);
  const auto lines = lines_of(out.str());
  ASSERT_EQ(int(lines.size()), s.iterations);
  const std::regex line_form(" Iter[ \\d]{2}\\d res \\d\\.\\dE[+-]\\d{2}");
  for (int it = 1; it <= s.iterations; ++it) {
    const std::string& line = lines[it - 1];
    EXPECT_TRUE(std::regex_match(line, line_form)) << line;
    EXPECT_EQ(std::stoi(line.substr(5, 3)), it);
    EXPECT_NEAR(std::strtod(line.substr(13).c_str(), nullptr), w.HIST[it - 1], 0.06 * w.HIST[it - 1]);
  }
}

// A solve on the given kernel set and everything it leaves behind.
template <class Real>
struct Outcome {
  sim::SolveSummary<Real> summary;
  std::vector<Real> x, map, history, start_residual;
};

template <class Real, class Kernels>
Outcome<Real> solve_on(Solver solver, const FiveDiagonalArrays<Real>& a, const std::vector<Real>& b,
                       std::vector<Real> x, Real tol, int maxit) {
  constexpr Build variant = sim::build_of<Real>;
  SolverStorage<Real> w(a.N, 200);
  std::ostringstream out;
  Outcome<Real> o;
  if (solver == Solver::zederm) {
    o.summary = sim::ZEDERM<Real, variant, Kernels>(
        w.zederm(a.view(), b, x, tol, Real(0), maxit, 0), out);
    o.start_residual = w.R0;
  } else {
    o.summary = sim::ZEDERM2<Real, Kernels>(w.zederm2(a.view(), b, x, tol, Real(0), maxit, 0), out);
    o.start_residual = w.RHAT;
  }
  o.x = x;
  o.map = w.R;
  o.history.assign(w.HIST.begin(), w.HIST.begin() + o.summary.iterations);
  return o;
}

// The same bytes; a NaN matches any NaN (which of two NaNs meeting in a sum
// or product survives depends on the compiler's operand order).
template <class Real>
bool same_bytes(const std::vector<Real>& a, const std::vector<Real>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const bool both_nan = std::isnan(a[k]) && std::isnan(b[k]);
    if (!both_nan && std::memcmp(&a[k], &b[k], sizeof(Real)) != 0) return false;
  }
  return true;
}

template <class Real>
void expect_kernels_agree(Solver solver, const FiveDiagonalArrays<Real>& a, std::vector<Real> x0,
                          Real tol, int maxit) {
  const auto b = random_rhs<Real>(a.N, 12);
  const auto fused = solve_on<Real, sim::FusedKernels>(solver, a, b, x0, tol, maxit);
  const auto node_order = solve_on<Real, sim::NodeOrderKernels>(solver, a, b, x0, tol, maxit);
  EXPECT_EQ(fused.summary.iterations, node_order.summary.iterations);
  EXPECT_EQ(fused.summary.breakdown, node_order.summary.breakdown);
  EXPECT_TRUE(same_bytes(fused.x, node_order.x));
  EXPECT_TRUE(same_bytes(fused.map, node_order.map));
  EXPECT_TRUE(same_bytes(fused.history, node_order.history));
  EXPECT_TRUE(same_bytes(fused.start_residual, node_order.start_residual));
}

TEST(Zederm, FusedKernelsGiveTheNodeOrderResultsBitForBit) {
  // Wide meshes (rows in flight, several blocks of the fused kernels), a
  // mesh without fill, restarts of the direction, and a NaN in the start.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const auto& [nx, ny] : {std::pair{31, 23}, std::pair{2, 9}, std::pair{57, 13}}) {
    SCOPED_TRACE(testing::Message() << nx << "x" << ny);
    std::vector<double> x0(nx * ny, 0.0);
    const std::vector<float> x0_float(x0.begin(), x0.end());
    expect_kernels_agree(Solver::zederm, poisson<double>(nx, ny), x0, 0.0, 45);
    expect_kernels_agree(Solver::zederm, poisson<float>(nx, ny), x0_float, 0.0f, 45);
    expect_kernels_agree(Solver::zederm2, convection_diffusion<double>(nx, ny), x0, 1e-12, 60);
    x0[nx + 1] = nan;
    expect_kernels_agree(Solver::zederm, poisson<double>(nx, ny), x0, 0.0, 5);
    expect_kernels_agree(Solver::zederm2, convection_diffusion<double>(nx, ny), x0, 0.0, 5);
  }
}

}  // namespace
