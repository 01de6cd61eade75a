// Five-diagonal kernels against dense reference computations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "common/five_diagonal.hpp"

namespace {

using sim::Build;
using sim::FiveDiagonal;
using sim::FiveDiagonalArrays;
using sim::IluFactors;

using Dense = std::vector<std::vector<double>>;

// Random diagonally dominant system; the couplings across row ends are left
// non-zero on purpose: the kernels must treat the layout by index only.
template <class Real>
FiveDiagonalArrays<Real> random_system(int nx, int ny, unsigned seed) {
  FiveDiagonalArrays<Real> a(nx, ny);
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(0.1, 1.0);
  for (int k = 0; k < a.N; ++k) {
    a.CM1[k] = Real(u(gen));
    a.CMNX[k] = Real(u(gen));
    a.CP1[k] = Real(u(gen));
    a.CPNX[k] = Real(u(gen));
    a.C0[k] = Real(4.5 + u(gen));
  }
  return a;
}

// The matrix of the layout, entry by entry, from the node indices alone.
template <class Real>
Dense dense_matrix(const FiveDiagonalArrays<Real>& a) {
  const int N = a.N, NX = a.NX;
  Dense m(N, std::vector<double>(N, 0.0));
  for (int k = 0; k < N; ++k) {
    m[k][k] = a.C0[k];
    if (k >= 1) m[k][k - 1] -= a.CM1[k];
    if (k >= NX) m[k][k - NX] -= a.CMNX[k];
    if (k + 1 < N) m[k][k + 1] -= a.CP1[k];
    if (k + NX < N) m[k][k + NX] -= a.CPNX[k];
  }
  return m;
}

std::vector<double> dense_product(const Dense& m, const std::vector<double>& x) {
  std::vector<double> y(m.size(), 0.0);
  for (std::size_t i = 0; i < m.size(); ++i)
    for (std::size_t j = 0; j < m.size(); ++j) y[i] += m[i][j] * x[j];
  return y;
}

// Incomplete LU by dense elimination (row by row, IKJ order) in which every
// update outside the pattern 0, +-1, +-(NX-1), +-NX is dropped. On return the
// strict lower part holds L, the upper part U.
Dense dense_ilu(Dense a, int nx) {
  const int n = int(a.size());
  auto in_pattern = [nx](int i, int j) {
    const int d = std::abs(i - j);
    return d == 0 || d == 1 || d == nx - 1 || d == nx;
  };
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < i; ++k) {
      if (!in_pattern(i, k)) continue;
      a[i][k] /= a[k][k];
      for (int j = k + 1; j < n; ++j)
        if (in_pattern(i, j) && in_pattern(k, j)) a[i][j] -= a[i][k] * a[k][j];
    }
  }
  return a;
}

template <class Real>
struct Factors {
  explicit Factors(int n, Real init = 0)
      : LMNX(n, init), LM1(n, init), PIV(n, init), LMNX1(n, init), UPNX1(n, init), UP1(n, init) {}
  std::vector<Real> LMNX, LM1, PIV, LMNX1, UPNX1, UP1;
  IluFactors<Real> view() { return {LMNX, LM1, PIV, LMNX1, UPNX1, UP1}; }
};

std::vector<double> sample_vector(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> v(n);
  for (auto& x : v) x = u(gen);
  return v;
}

template <class To, class From>
std::vector<To> as(const std::vector<From>& v) {
  return std::vector<To>(v.begin(), v.end());
}

template <class Real>
double tolerance() {
  return std::is_same_v<Real, double> ? 1e-12 : 2e-5;
}

struct Mesh {
  int nx, ny;
};
// Single row, single column, N below NX, 2 and 3 columns, general meshes.
const Mesh kMeshes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 4}, {3, 3}, {4, 3}, {5, 4}, {7, 5}};

template <class Real>
class KernelTest : public ::testing::Test {};
using RealTypes = ::testing::Types<double, float>;
TYPED_TEST_SUITE(KernelTest, RealTypes);

TYPED_TEST(KernelTest, MatrixVectorProductMatchesDenseMatrix) {
  using Real = TypeParam;
  for (const Mesh& mesh : kMeshes) {
    SCOPED_TRACE(testing::Message() << mesh.nx << "x" << mesh.ny);
    const auto a = random_system<Real>(mesh.nx, mesh.ny, 7);
    const auto x = sample_vector(a.N, 11);
    std::vector<Real> xr = as<Real>(x), y(a.N, Real(-99));
    sim::PENTMV(a.view(), xr, y);
    const auto expect = dense_product(dense_matrix(a), as<double>(xr));
    for (int k = 0; k < a.N; ++k) EXPECT_NEAR(y[k], expect[k], 10 * tolerance<Real>()) << k;
  }
}

TYPED_TEST(KernelTest, PreconditionerSolveInvertsItsFactors) {
  using Real = TypeParam;
  for (const Mesh& mesh : kMeshes) {
    SCOPED_TRACE(testing::Message() << mesh.nx << "x" << mesh.ny);
    const auto a = random_system<Real>(mesh.nx, mesh.ny, 3);
    Factors<Real> f(a.N);
    sim::PENTFAC(a.view(), f.view());
    // Dense L (unit lower) and U from the factor arrays, by index.
    const int N = a.N, NX = a.NX;
    Dense l(N, std::vector<double>(N, 0.0)), u = l;
    for (int k = 0; k < N; ++k) {
      l[k][k] = 1;
      if (k >= 1) l[k][k - 1] += f.LM1[k];
      if (k >= NX) l[k][k - NX] += f.LMNX[k];
      if (k >= NX - 1 && NX >= 3) l[k][k - NX + 1] += f.LMNX1[k];
      u[k][k] = 1 / double(f.PIV[k]);
      if (k + 1 < N) u[k][k + 1] += f.UP1[k];
      if (k + NX - 1 < N && NX >= 3) u[k][k + NX - 1] += f.UPNX1[k];
      if (k + NX < N) u[k][k + NX] -= a.CPNX[k];
    }
    const auto r = as<Real>(sample_vector(N, 5));
    const auto r_before = r;
    std::vector<Real> z(N, std::numeric_limits<Real>::quiet_NaN());
    sim::PENTSLV(f.view(), a.CPNX, r, z, N, NX);
    EXPECT_EQ(r, r_before);
    // L*U*z must give back r.
    std::vector<double> zd = as<double>(z);
    const auto back = dense_product(l, dense_product(u, zd));
    for (int k = 0; k < N; ++k) EXPECT_NEAR(back[k], r[k], 10 * tolerance<Real>()) << k;
  }
}

TEST(FiveDiagonalKernels, FactorsMatchDenseIncompleteElimination) {
  // With four or more nodes per row the fill diagonals stand apart from all
  // others, and the factors are the dense elimination restricted to the pattern.
  for (const Mesh mesh : {Mesh{4, 4}, Mesh{5, 3}, Mesh{7, 4}}) {
    SCOPED_TRACE(testing::Message() << mesh.nx << "x" << mesh.ny);
    const auto a = random_system<double>(mesh.nx, mesh.ny, 21);
    Factors<double> f(a.N);
    sim::PENTFAC(a.view(), f.view());
    const Dense lu = dense_ilu(dense_matrix(a), a.NX);
    const int N = a.N, NX = a.NX;
    auto entry = [&](int i, int j) { return (j >= 0 && j < N) ? lu[i][j] : 0.0; };
    for (int k = 0; k < N; ++k) {
      SCOPED_TRACE(k);
      EXPECT_NEAR(f.PIV[k], 1 / lu[k][k], 1e-13);
      EXPECT_NEAR(f.LM1[k], entry(k, k - 1), 1e-13);
      EXPECT_NEAR(f.LMNX[k], k >= NX ? entry(k, k - NX) : 0.0, 1e-13);
      EXPECT_NEAR(f.LMNX1[k], k >= NX ? entry(k, k - NX + 1) : 0.0, 1e-13);
      // Upper entries whose column lies beyond N are never used.
      if (k + 1 < N) {
        EXPECT_NEAR(f.UP1[k], entry(k, k + 1), 1e-13);
      }
      if (k + NX - 1 < N) {
        EXPECT_NEAR(f.UPNX1[k], k >= 1 ? entry(k, k + NX - 1) : 0.0, 1e-13);
      }
    }
  }
}

TEST(FiveDiagonalKernels, SymmetricMMatrixGivesMirroredFactors) {
  // Discrete Laplacian with random symmetric conductances and a sink term.
  const int nx = 6, ny = 5;
  FiveDiagonalArrays<double> a(nx, ny);
  std::mt19937 gen(9);
  std::uniform_real_distribution<double> u(0.2, 2.0);
  for (int k = 0; k < a.N; ++k) {
    const int i = k % nx, j = k / nx;
    if (i + 1 < nx) a.CP1[k] = a.CM1[k + 1] = u(gen);
    if (j + 1 < ny) a.CPNX[k] = a.CMNX[k + nx] = u(gen);
  }
  for (int k = 0; k < a.N; ++k)
    a.C0[k] = a.CM1[k] + a.CP1[k] + a.CMNX[k] + a.CPNX[k] + 0.01;
  Factors<double> f(a.N);
  sim::PENTFAC(a.view(), f.view());
  for (int k = 0; k < a.N; ++k) {
    SCOPED_TRACE(k);
    EXPECT_GT(f.PIV[k], 0.0);
    // L(n,m) = U(m,n) / U(m,m) for the symmetric factorisation.
    if (k >= 1) {
      EXPECT_NEAR(f.LM1[k], f.UP1[k - 1] * f.PIV[k - 1], 1e-14);
    }
    if (k >= nx) {
      EXPECT_NEAR(f.LMNX[k], -a.CPNX[k - nx] * f.PIV[k - nx], 1e-14);
      EXPECT_NEAR(f.LMNX1[k], f.UPNX1[k - nx + 1] * f.PIV[k - nx + 1], 1e-14);
    }
  }
}

TEST(FiveDiagonalKernels, DiagonalSystemFactorsToReciprocalPivots) {
  FiveDiagonalArrays<double> a(4, 3);
  for (int k = 0; k < a.N; ++k) a.C0[k] = 1.0 + 0.37 * k;
  Factors<double> f(a.N, 5.0);
  sim::PENTFAC(a.view(), f.view());
  const auto r = sample_vector(a.N, 2);
  std::vector<double> z(a.N);
  sim::PENTSLV(f.view(), a.CPNX, r, z, a.N, a.NX);
  for (int k = 0; k < a.N; ++k) {
    EXPECT_EQ(f.PIV[k], 1 / a.C0[k]);
    EXPECT_EQ(f.LMNX[k], 0.0);
    EXPECT_EQ(f.LM1[k], 0.0);
    EXPECT_EQ(f.LMNX1[k], 0.0);
    EXPECT_EQ(f.UPNX1[k], 0.0);
    EXPECT_EQ(f.UP1[k], 0.0);
    EXPECT_EQ(z[k], r[k] * (1 / a.C0[k]));
  }
}

TEST(FiveDiagonalKernels, NarrowMeshesFactorWithoutFill) {
  // One or two nodes per row: the fill diagonals would fall onto existing
  // ones. No fill is kept, and nothing unset (poisoned here) is read.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int nx : {1, 2}) {
    SCOPED_TRACE(nx);
    auto a = random_system<double>(nx, 5, 4);
    if (nx == 1) {  // a single column has no couplings along its rows
      std::fill(a.CM1.begin(), a.CM1.end(), 0.0);
      std::fill(a.CP1.begin(), a.CP1.end(), 0.0);
    }
    Factors<double> f(a.N, nan);
    sim::PENTFAC(a.view(), f.view());
    for (int k = 0; k < a.N; ++k) {
      EXPECT_EQ(f.LMNX1[k], 0.0);
      EXPECT_EQ(f.UPNX1[k], 0.0);
      EXPECT_TRUE(std::isfinite(f.PIV[k]) && f.PIV[k] > 0);
    }
    const auto x = sample_vector(a.N, 8);
    std::vector<double> b(a.N), z(a.N, nan);
    sim::PENTMV(a.view(), x, b);
    sim::PENTSLV(f.view(), a.CPNX, b, z, a.N, a.NX);
    // A single column is tridiagonal: its factorisation is exact.
    for (int k = 0; k < a.N; ++k) {
      ASSERT_TRUE(std::isfinite(z[k]));
      if (nx == 1) {
        EXPECT_NEAR(z[k], x[k], 1e-13);
      }
    }
  }
}

TEST(FiveDiagonalKernels, VectorKernels) {
  const std::vector<double> x{1, -2, 3, 0.5}, y{4, 5, -6, 2};
  EXPECT_EQ(sim::VDOT<double>(x, y, 4), 4.0 - 10.0 - 18.0 + 1.0);
  EXPECT_EQ(sim::VDOT<double>(x, y, 2), -6.0);

  std::vector<double> z(4);
  sim::VAXPY<double>(y, x, z, 4, 2.0);
  EXPECT_EQ(z, (std::vector<double>{6, 1, 0, 3}));
  std::vector<double> zy = y;  // Z the same array as Y
  sim::VAXPY<double>(zy, x, zy, 4, -1.0);
  EXPECT_EQ(zy, (std::vector<double>{3, 7, -9, 1.5}));
  std::vector<double> zx = x;  // Z the same array as X
  sim::VAXPY<double>(y, zx, zx, 4, 3.0);
  EXPECT_EQ(zx, (std::vector<double>{7, -1, 3, 3.5}));

  std::vector<double> c(4, 9.0);
  sim::VCOPY<double>(x, c, 3);
  EXPECT_EQ(c, (std::vector<double>{1, -2, 3, 9}));
  sim::VSCAL<double>(c, 0.5, 4);
  EXPECT_EQ(c, (std::vector<double>{0.5, -1, 1.5, 4.5}));
  sim::VSCAL<double>(c, 0.0, 4);
  EXPECT_EQ(c, (std::vector<double>(4, 0.0)));
}

TEST(FiveDiagonalKernels, NoNodesChangeNothing) {
  const std::vector<double> x{1, 2}, y{3, 4};
  std::vector<double> z{7, 8};
  for (int n : {0, -3}) {
    EXPECT_EQ(sim::VDOT<double>(x, y, n), 0.0);
    sim::VAXPY<double>(y, x, z, n, 2.0);
    sim::VCOPY<double>(x, z, n);
    sim::VSCAL<double>(z, 0.0, n);
    EXPECT_EQ(z, (std::vector<double>{7, 8}));

    auto a = random_system<double>(2, 1, 1);
    FiveDiagonal<double> view = a.view();
    view.N = n;
    sim::PENTMV(view, x, z);
    Factors<double> f(2, 6.0);
    sim::PENTFAC(view, f.view());
    sim::PENTSLV(f.view(), a.CPNX, x, z, n, 2);
    EXPECT_EQ(z, (std::vector<double>{7, 8}));
    EXPECT_EQ(f.PIV, (std::vector<double>(2, 6.0)));

    int i = -5, j = -6;
    EXPECT_EQ((sim::MAXREL<double, Build::device>(x, x, y, n, 2, i, j)), 0.0);
    EXPECT_EQ((sim::MAXREL<double, Build::process>(x, x, y, n, 2, i, j)), 0.0);
    EXPECT_EQ(i, -5);
    EXPECT_EQ(j, -6);
  }
}

// MAXREL on a 3 x 2 mesh (N = 6).
struct MaxrelCase {
  const char* what;
  Build build;
  std::vector<double> r, x, d;
  double value;
  int i, j;
};

TEST(FiveDiagonalKernels, ResidualMeasurePositionAndValue) {
  const std::vector<double> ones(6, 1.0), zeros(6, 0.0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<MaxrelCase> cases = {
      {"zero residual: last node", Build::device, zeros, ones, ones, 0.0, 3, 2},
      {"zero residual: last node", Build::process, zeros, ones, ones, 0.0, 3, 2},
      {"tie: later node wins", Build::process, {4, 1, -2, -4, 0, 1}, ones, ones, 4.0, 1, 2},
      {"tie: later node wins", Build::device, {0, 3, 0, 0, -3, 0}, ones, ones, 3 / (1 + 1e-6), 2, 2},
      {"scaled by the diagonal", Build::process, {1, 4, -2, -4, 0, 1}, ones, {1, 2, 1, 8, 1, 1}, 2.0, 3, 1},
      {"relative to the unknown", Build::device, {1, 1, 1, 1, 1, 1}, {1, 1, 0.25, 1, 1, 1}, ones,
       1 / (1e-6 + 0.25), 3, 1},
      {"floor of the unknown", Build::device, {0, 0, 0, 0, 2e-6, 0}, zeros, {1, 1, 1, 1, 2, 1}, 1.0,
       2, 2},
      {"process ignores the unknown", Build::process, {1, 1, 1, 1, 1, 1}, {1, 1, 0.25, 1, 1, 1}, ones,
       1.0, 3, 2},
      {"NaN residual", Build::device, {9, nan, 1, 9e9, nan, 1}, ones, ones, nan, 2, 1},
      {"NaN residual", Build::process, {9, 1, 1, nan, 9e9, 1}, ones, ones, nan, 1, 2},
      {"NaN unknown", Build::device, ones, {1, 1, nan, 1, 1, 1}, ones, nan, 3, 1},
      {"NaN unknown", Build::process, ones, {1, 1, 1, 1, nan, 1}, ones, nan, 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int i = 0, j = 0;
    const double v = c.build == Build::device
                         ? sim::MAXREL<double, Build::device>(c.r, c.x, c.d, 6, 3, i, j)
                         : sim::MAXREL<double, Build::process>(c.r, c.x, c.d, 6, 3, i, j);
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(v));
    } else {
      EXPECT_DOUBLE_EQ(v, c.value);
    }
    EXPECT_EQ(i, c.i);
    EXPECT_EQ(j, c.j);
  }
}

TEST(FiveDiagonalKernels, ResidualMeasureOfEachBuildFollowsItsRealType) {
  static_assert(sim::build_of<double> == Build::device);
  static_assert(sim::build_of<float> == Build::process);
  const std::vector<float> r{0, 3}, x{100, 100}, d{1, 1};
  int i = 0, j = 0;
  EXPECT_EQ(sim::MAXREL<float>(r, x, d, 2, 1, i, j), 3.0f);
  EXPECT_EQ(j, 2);
}

// Bit-for-bit comparison of the kernels with their node-order references.

// The same bytes; a NaN matches any NaN. Where two NaNs meet in an addition
// or a multiplication, which one's sign and payload the result carries
// depends on the operand order the compiler picks, which C++ leaves open.
template <class Real>
bool same_bytes(Real a, Real b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof(Real)) == 0;
}

template <class Real>
bool same_bytes(const std::vector<Real>& a, const std::vector<Real>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (!same_bytes(a[k], b[k])) return false;
  return true;
}

// Draws mostly ordinary values and, with the given odds, signed zeros, NaN
// and infinities.
template <class Real>
struct SpecialValues {
  std::mt19937 gen;
  double odds;
  Real operator()(double low, double high) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    if (u(gen) < odds) {
      const Real special[] = {Real(0), -Real(0), std::numeric_limits<Real>::quiet_NaN(),
                              std::numeric_limits<Real>::infinity(),
                              -std::numeric_limits<Real>::infinity()};
      return special[gen() % 5];
    }
    return Real(low + (high - low) * u(gen));
  }
};

// The meshes of the comparisons: narrow ones without fill, widths around the
// rows in flight, several rows short of a full group, and odd heights.
const Mesh kRowMeshes[] = {{1, 7},  {2, 9},  {3, 5},  {4, 13}, {5, 11},
                           {17, 1}, {17, 2}, {17, 15}, {40, 23}};

TYPED_TEST(KernelTest, RowWiseSubstitutionEqualsNodeOrderBitForBit) {
  using Real = TypeParam;
  for (const Mesh& mesh : kRowMeshes) {
    // 0: factors of an assembled system (zero couplings at row ends);
    // 1: factors with non-zero couplings across row ends;
    // 2: arbitrary factors and right-hand side with signed zeros, NaN and
    //    infinities, at row ends too.
    for (int variant = 0; variant < 3; ++variant) {
      SCOPED_TRACE(testing::Message() << mesh.nx << "x" << mesh.ny << " variant " << variant);
      auto a = random_system<Real>(mesh.nx, mesh.ny, 13 + variant);
      const int N = a.N, NX = a.NX;
      if (variant == 0) {
        for (int k = 0; k < N; ++k) {
          if (k % NX == 0) a.CM1[k] = 0;
          if (k % NX == NX - 1) a.CP1[k] = 0;
        }
      }
      Factors<Real> f(N);
      sim::PENTFAC(a.view(), f.view());
      SpecialValues<Real> draw{std::mt19937(variant), variant == 2 ? 0.15 : 0.0};
      std::vector<Real> r(N), cpnx = a.CPNX;
      for (auto& v : r) v = draw(-1, 1);
      if (variant == 2) {
        for (auto* factor : {&f.LMNX, &f.LM1, &f.PIV, &f.LMNX1, &f.UPNX1, &f.UP1, &cpnx})
          for (auto& v : *factor) v = draw(-0.5, 0.5);
      }
      std::vector<Real> z_rows(N, Real(7)), z_nodes(N, Real(-7));
      sim::PENTSLV(f.view(), cpnx, r, z_rows, N, NX);
      sim::node_order::PENTSLV(f.view(), cpnx, r, z_nodes, N, NX);
      EXPECT_TRUE(same_bytes(z_rows, z_nodes));
    }
  }
}

TYPED_TEST(KernelTest, RowWiseSubstitutionKeepsSignedZerosAtRowEnds) {
  // Zero couplings everywhere (+0, CPNX -0), unit pivots: every value is its
  // right-hand side, except where a -0 meets a zero coupling times a negative
  // neighbour across a row end: -0 - (+0 * -1) = +0. Forward: the start of
  // every other row is -0 after a row end of -1; backward: the end of every
  // other row is -0 before a row start of -1.
  using Real = TypeParam;
  const int nx = 17, ny = 15, N = nx * ny;
  Factors<Real> f(N);
  std::fill(f.PIV.begin(), f.PIV.end(), Real(1));
  const std::vector<Real> cpnx(N, -Real(0));
  for (bool forward : {true, false}) {
    SCOPED_TRACE(forward ? "forward" : "backward");
    std::vector<Real> r(N, Real(1));
    for (int j = 1; j < ny; j += 2) {
      r[j * nx - 1] = forward ? Real(-1) : -Real(0);
      r[j * nx] = forward ? -Real(0) : Real(-1);
    }
    std::vector<Real> z_rows(N), z_nodes(N);
    sim::PENTSLV(f.view(), cpnx, r, z_rows, N, nx);
    sim::node_order::PENTSLV(f.view(), cpnx, r, z_nodes, N, nx);
    EXPECT_FALSE(std::signbit(z_nodes[forward ? 3 * nx : 3 * nx - 1]));
    EXPECT_TRUE(same_bytes(z_rows, z_nodes));
  }
}

TYPED_TEST(KernelTest, FusedKernelsEqualTheirPartsBitForBit) {
  using Real = TypeParam;
  // Wide enough for several blocks of the fused kernels.
  for (const Mesh& mesh : {Mesh{1, 5}, Mesh{3, 4}, Mesh{37, 29}}) {
    for (double odds : {0.0, 0.02}) {
      SCOPED_TRACE(testing::Message() << mesh.nx << "x" << mesh.ny << " odds " << odds);
      auto a = random_system<Real>(mesh.nx, mesh.ny, 17);
      const int N = a.N, NX = a.NX;
      SpecialValues<Real> draw{std::mt19937(3), odds};
      for (auto& v : a.CM1) v = draw(0, 1);
      std::vector<Real> p(N), q(N), x(N), r(N);
      for (auto* v : {&p, &x, &r})
        for (auto& e : *v) e = draw(-1, 1);

      std::vector<Real> q_fused(N), q_parts(N);
      const Real dot_fused = sim::PENTMV_VDOT<Real>(a.view(), p, q_fused);
      sim::PENTMV<Real>(a.view(), p, q_parts);
      EXPECT_TRUE(same_bytes(dot_fused, sim::VDOT<Real>(q_parts, p, N)));
      EXPECT_TRUE(same_bytes(q_fused, q_parts));

      for (Build build : {Build::device, Build::process}) {
        const Real alpha = Real(0.37);
        std::vector<Real> xf = x, rf = r, xp = x, rp = r;
        int i_fused = 0, j_fused = 0, i_parts = 0, j_parts = 0;
        Real fused, parts;
        sim::VAXPY<Real>(xp, p, xp, N, alpha);
        sim::VAXPY<Real>(rp, q_parts, rp, N, -alpha);
        if (build == Build::device) {
          fused = sim::VAXPY2_MAXREL<Real, Build::device>(alpha, p, q_parts, xf, rf, a.C0, N, NX,
                                                          i_fused, j_fused);
          parts = sim::MAXREL<Real, Build::device>(rp, xp, a.C0, N, NX, i_parts, j_parts);
        } else {
          fused = sim::VAXPY2_MAXREL<Real, Build::process>(alpha, p, q_parts, xf, rf, a.C0, N, NX,
                                                           i_fused, j_fused);
          parts = sim::MAXREL<Real, Build::process>(rp, xp, a.C0, N, NX, i_parts, j_parts);
        }
        EXPECT_TRUE(same_bytes(fused, parts));
        EXPECT_EQ(i_fused, i_parts);
        EXPECT_EQ(j_fused, j_parts);
        EXPECT_TRUE(same_bytes(xf, xp));
        EXPECT_TRUE(same_bytes(rf, rp));
      }
    }
  }
}

TEST(FiveDiagonalKernels, FusedMeasureTiesAcrossBlocks) {
  // Equal largest values in different blocks of the fused kernel: the last
  // node wins; a NaN after them settles the measure at the NaN.
  const int nx = 100, ny = 7, N = nx * ny;
  const std::vector<double> zeros(N, 0.0), ones(N, 1.0);
  std::vector<double> r(N, 0.25);
  r[10] = r[333] = r[601] = -2;
  for (bool with_nan : {false, true}) {
    SCOPED_TRACE(with_nan);
    if (with_nan) r[650] = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> x(N, 0.0), rr = r;
    int i = 0, j = 0;
    const double v =
        sim::VAXPY2_MAXREL<double, Build::process>(0.0, zeros, zeros, x, rr, ones, N, nx, i, j);
    if (with_nan) {
      EXPECT_TRUE(std::isnan(v));
      EXPECT_EQ((j - 1) * nx + i - 1, 650);
    } else {
      EXPECT_EQ(v, 2.0);
      EXPECT_EQ((j - 1) * nx + i - 1, 601);
    }
  }
}

}  // namespace
