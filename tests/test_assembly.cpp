// Row kinds of the diffusion assembly on tiny meshes: held rows, interior
// rows, surface rows and rows of the consumed layer, checked against steady
// states, dose balances and the consumed-dose integral.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "process/assembly.hpp"
#include "process/mesh.hpp"

namespace {

using tavik::DopantParams;

// A mesh with the assembly's inputs and outputs.
struct Bench {
  Bench(int nx, int ny, float xx, float yy) {
    tavik::MESHSET(m, nx, ny, 10);
    tavik::MESHGEN(m, 1, 0.0f, 0.0f, xx, yy);
    const std::size_t nn = std::size_t(m.NN);
    C.assign(nn, 0.0f);
    C_old.assign(nn, 0.0f);
    O1.assign(nn, 0.0f);
    O2.assign(nn, 0.0f);
    L.assign(nn, 1.0f);
    y0.assign(std::size_t(nx), 0.0f);
    y0o.assign(std::size_t(nx), 0.0f);
    js.assign(std::size_t(nx), 1);
    jso.assign(std::size_t(nx), 1);
    for (auto* v : {&CMNX, &CPNX, &CM1, &CP1, &C0, &R}) v->assign(nn, -99.0f);
    sdc.assign(std::size_t(nx), 0.0f);
    sdx.assign(std::size_t(nx), 0.0f);
  }

  // Places the surface of column i (1-based) at depth d, now and before.
  void surface(int i, float d, bool also_before = true) {
    y0[i - 1] = d;
    int j = 1;
    while (m.Y[j - 1] < d) ++j;
    js[i - 1] = j;
    if (also_before) {
      y0o[i - 1] = d;
      jso[i - 1] = j;
    }
    JSMAX = *std::max_element(js.begin(), js.end());
  }

  tavik::AssemblyMesh mesh() const {
    return {m.NX, m.NY, m.X, m.rhx, m.wx, m.Y, m.rhy, m.wy, m.cdown, m.cup, m.cleft, m.cright};
  }
  tavik::SurfaceState state() const { return {y0, y0o, js, jso, JSMAX}; }

  void assemble(float XD, float dt, const DopantParams& p) {
    const tavik::DopantLevels lv{C, C_old, O1, O1, O2, O2};
    tavik::ASSEMB(mesh(), state(), lv, XD, dt, p, L, {CMNX, CPNX, CM1, CP1, C0, R}, {sdc, sdx});
  }

  std::size_t n(int i, int j) const { return m.node(i, j); }

  // Row n of A*C - R.
  float residual(std::size_t k, const std::vector<float>& X) const {
    const std::size_t NX = std::size_t(m.NX), NN = std::size_t(m.NN);
    float a = C0[k] * X[k];
    if (k >= 1) a -= CM1[k] * X[k - 1];
    if (k + 1 < NN) a -= CP1[k] * X[k + 1];
    if (k >= NX) a -= CMNX[k] * X[k - NX];
    if (k + NX < NN) a -= CPNX[k] * X[k + NX];
    return a - R[k];
  }

  bool held(std::size_t k) const {
    return C0[k] == 1.0f && CM1[k] == 0.0f && CP1[k] == 0.0f && CMNX[k] == 0.0f &&
           CPNX[k] == 0.0f && R[k] == C[k];
  }

  tavik::ProcessMesh m;
  std::vector<float> C, C_old, O1, O2, L, y0, y0o;
  std::vector<int> js, jso;
  int JSMAX = 1;
  std::vector<float> CMNX, CPNX, CM1, CP1, C0, R, sdc, sdx;
};

DopantParams boron_like() {
  DopantParams p;
  p.code = tavik::kSelBoron;
  p.D0 = 0.3f;
  p.beta = 3.0f;
  p.r = 0.25f;
  p.c1 = -1.0f, p.c2 = 1.0f, p.c3 = 1.0f;
  p.ni = 0.07f;
  p.rni = 1.0f / 0.07f;
  p.g = 0.4f;
  p.lambda = 1.0f;
  p.sigma = 1.0f;
  return p;
}

// Immobile dopant: only the storage and interface terms remain.
DopantParams immobile(float g, float sigma, float lambda = 1.0f) {
  DopantParams p = boron_like();
  p.D0 = 0.0f;
  p.oed = 0.0f;
  p.g = g;
  p.sigma = sigma;
  p.lambda = lambda;
  return p;
}

// Surfaces in the top row, below it and two rows deep: every row kind.
Bench mixed_surface_bench() {
  Bench b(4, 8, 3.0f, 1.4f);  // y = 0, 0.2, ..., 1.4
  b.surface(1, 0.0f);
  b.surface(2, 0.15f);
  b.surface(3, 0.35f);
  b.surface(4, 0.1f);
  return b;
}

TEST(Assembly, UniformStateIsSteadyInEveryRowKind) {
  Bench b = mixed_surface_bench();
  ASSERT_EQ(b.JSMAX, 3);
  std::fill(b.C.begin(), b.C.end(), 0.3f);
  std::fill(b.C_old.begin(), b.C_old.end(), 0.3f);
  std::fill(b.O1.begin(), b.O1.end(), 0.02f);
  std::fill(b.O2.begin(), b.O2.end(), 0.05f);
  b.assemble(0.5f, 10.0f, boron_like());
  for (std::size_t k = 0; k < b.C.size(); ++k)
    EXPECT_NEAR(b.residual(k, b.C), 0.0f, 1e-5f * b.C0[k] * b.C[k]) << "node " << k;
}

TEST(Assembly, HeldRows) {
  Bench b(3, 4, 2.0f, 0.3f);  // y = 0, 0.1, 0.2, 0.3
  b.surface(2, 0.15f);        // column 2: surface row 3, rows 1-2 above it
  b.surface(3, 0.3f);         // column 3: surface in the last row
  for (std::size_t k = 0; k < b.C.size(); ++k) b.C[k] = b.C_old[k] = 0.1f * float(k + 1);
  b.assemble(0.5f, 1.0f, boron_like());  // window: x < 0.5, column 1 only
  EXPECT_TRUE(b.held(b.n(1, 1)));        // inside the source window
  EXPECT_FALSE(b.held(b.n(1, 2)));
  EXPECT_TRUE(b.held(b.n(2, 1)));
  EXPECT_TRUE(b.held(b.n(2, 2)));
  EXPECT_FALSE(b.held(b.n(2, 3)));
  for (int j = 1; j <= 4; ++j) EXPECT_TRUE(b.held(b.n(3, j))) << "row " << j;
}

TEST(Assembly, NegativeWindowHoldsTheRightSide) {
  Bench b(3, 3, 2.0f, 0.2f);
  std::fill(b.C.begin(), b.C.end(), 0.2f);
  b.C_old = b.C;
  b.assemble(-1.5f, 1.0f, boron_like());  // x > 1.5: column 3
  EXPECT_FALSE(b.held(b.n(1, 1)));
  EXPECT_FALSE(b.held(b.n(2, 1)));
  EXPECT_TRUE(b.held(b.n(3, 1)));
  EXPECT_FALSE(b.held(b.n(3, 2)));  // the window acts on the top row only
}

// Before any oxidation the top row is a surface row that equals the
// interior equation without its north face.
TEST(Assembly, FlatSurfaceRowIsTheInteriorEquationWithoutNorthFace) {
  Bench b(3, 4, 1.0f, 0.6f);
  std::fill(b.C.begin(), b.C.end(), 0.01f);
  b.C_old = b.C;
  const DopantParams p = boron_like();
  b.assemble(0.0f, 5.0f, p);
  const float Dc = tavik::NIFACT(0.01f, 0.0f, 0.0f, 1.0f, p).Dc;
  for (int i = 1; i <= 3; ++i) {
    const std::size_t n = b.n(i, 1);
    EXPECT_EQ(b.CMNX[n], 0.0f);
    EXPECT_FLOAT_EQ(b.CPNX[n], Dc * b.m.cdown[n]);
    EXPECT_FLOAT_EQ(b.CP1[n], Dc * b.m.cright[n]);
    EXPECT_FLOAT_EQ(b.CM1[n], Dc * b.m.cleft[n]);
    const float storage = b.m.wx[i - 1] * b.m.wy[0] / 5.0f;
    EXPECT_FLOAT_EQ(b.C0[n], b.CPNX[n] + b.CP1[n] + b.CM1[n] + storage);
    EXPECT_FLOAT_EQ(b.R[n], storage * 0.01f);
  }
}

// Fluxes between two silicon nodes are equal and opposite: the couplings
// of the matrix are symmetric between nodes that are not held, so the
// diffusion operator conserves the dose.
TEST(Assembly, CouplingsBetweenSiliconNodesAreSymmetric) {
  Bench b = mixed_surface_bench();
  for (std::size_t k = 0; k < b.C.size(); ++k) {
    b.C[k] = 0.01f + 0.003f * float(k % 5);
    b.C_old[k] = 0.012f + 0.002f * float(k % 3);
    b.O1[k] = 0.001f * float(k % 4);
  }
  b.assemble(0.0f, 3.0f, boron_like());
  const int NX = b.m.NX, NY = b.m.NY;
  int pairs = 0;
  for (int j = 1; j <= NY; ++j) {
    for (int i = 1; i <= NX; ++i) {
      const std::size_t n = b.n(i, j);
      if (b.held(n)) continue;
      if (i < NX && !b.held(n + 1)) {
        EXPECT_FLOAT_EQ(b.CP1[n], b.CM1[n + 1]) << i << "," << j;
        ++pairs;
      }
      if (j < NY && !b.held(n + std::size_t(NX))) {
        EXPECT_FLOAT_EQ(b.CPNX[n], b.CMNX[n + std::size_t(NX)]) << i << "," << j;
        ++pairs;
      }
    }
  }
  EXPECT_GT(pairs, 40);
}

// Surface moved from 0 to 0.03 um in every column (row 1 to row 2) of the
// mesh y = 0, 0.1, 0.2, 0.3; no diffusion. The silicon cell of row 2 now
// spans 0.03 .. 0.15.
struct ConsumedCase {
  const char* name;
  float g, sigma, lambda, dt;
  float row1, row2;  // old concentrations of rows 1 and 2
  float expected;    // new concentration of the surface row
};

TEST(Assembly, SurfaceRowBalancesTheConsumedLayer) {
  const ConsumedCase cases[] = {
      // Everything consumed stays in the silicon: the dose of 0 .. 0.15
      // (0.05 * row1 + 0.1 * row2) is now held by 0.12 um.
      {"pile-up, uniform", 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.15f / 0.12f},
      {"pile-up, graded", 1.0f, 0.0f, 1.0f, 1.0f, 2.0f, 1.0f, (0.05f * 2 + 0.1f) / 0.12f},
      // Nothing of the consumed layer stays: the silicon left is unchanged.
      {"no segregation", 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f},
      {"boron, m = 1/0.44", 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f},
      // Boron with g: C (A - g wx dy) = A X.
      {"boron, g = -1", -1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.12f / (0.12f + 0.03f)},
      // Slow transport across the interface: f = lambda dt/(lambda dt + dy).
      {"boron, slow interface", -1.0f, 1.0f, 0.01f, 1.0f, 1.0f, 1.0f,
       0.12f / (0.12f + 0.03f * (0.01f / (0.01f + 0.03f)))},
  };
  for (const ConsumedCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b(3, 4, 1.0f, 0.3f);
    for (int i = 1; i <= 3; ++i) {
      b.surface(i, 0.03f, false);
      for (int j = 1; j <= 4; ++j) b.C_old[b.n(i, j)] = j == 1 ? c.row1 : c.row2;
    }
    b.C = b.C_old;
    b.assemble(0.0f, c.dt, immobile(c.g, c.sigma, c.lambda));
    for (int i = 1; i <= 3; ++i) {
      const std::size_t n = b.n(i, 2);
      EXPECT_NEAR(b.R[n] / b.C0[n], c.expected, 2e-5f * c.expected) << "column " << i;
      EXPECT_TRUE(b.held(b.n(i, 1)));
    }
  }
}

TEST(Assembly, TransportFactor) {
  DopantParams p = immobile(0.0f, 1.0f, 1.0f);
  EXPECT_EQ(tavik::transport_factor(p, 2.0f, 0.1f, 0.0f), 1.0f);  // lambda >= 0.1
  p.lambda = 0.05f;
  EXPECT_FLOAT_EQ(tavik::transport_factor(p, 2.0f, 0.1f, 0.0f), 0.1f / (0.1f + 0.1f));
  p.lambda = 0.0f;  // a surface that did not move: 1, not 0/0
  EXPECT_EQ(tavik::transport_factor(p, 2.0f, 0.1f, 0.1f), 1.0f);
  EXPECT_EQ(tavik::transport_factor(p, 2.0f, 0.2f, 0.1f), 0.0f);
}

// The consumed dose is the integral of the old concentration over the
// consumed depth y0o .. y0, each depth charged to the row whose cell holds
// it, but never to a row above the old surface row.
double consumed_integral(const tavik::ProcessMesh& m, const std::vector<float>& C_old, int i,
                         double y0o, double y0, int jso) {
  double q = 0;
  for (int k = 1; k <= m.NY; ++k) {
    const double lo = k == 1 ? 0.0 : 0.5 * (m.Y[k - 2] + m.Y[k - 1]);
    const double hi = k == m.NY ? m.Y[k - 1] : 0.5 * (m.Y[k - 1] + m.Y[k]);
    const double overlap = std::min(hi, y0) - std::max(lo, y0o);
    if (overlap > 0) q += overlap * C_old[m.node(i, std::max(k, jso))];
  }
  return q;
}

TEST(Assembly, ConsumedDoseIsTheIntegralOverTheConsumedDepth) {
  const float cases[][2] = {{0.02f, 0.04f}, {0.02f, 0.09f},  {0.0f, 0.12f},  {0.02f, 0.17f},
                            {0.03f, 0.27f}, {0.05f, 0.33f},  {0.12f, 0.44f}, {0.0f, 0.05f},
                            {0.17f, 0.19f}, {0.11f, 0.149f}, {0.0f, 0.0f},   {0.3f, 0.3f}};
  for (const auto& c : cases) {
    Bench b(2, 6, 1.0f, 0.5f);  // y = 0, 0.1, ..., 0.5
    for (int j = 1; j <= 6; ++j) b.C_old[b.n(1, j)] = float(j * j);
    b.surface(1, c[0]);
    b.surface(1, c[1], false);
    const float g = 0.5f, f = 0.8f;
    const double expected = g * b.m.wx[0] * f *
                            consumed_integral(b.m, b.C_old, 1, c[0], c[1], b.jso[0]);
    EXPECT_NEAR(tavik::MATRXC(b.mesh(), b.state(), b.C_old, 1, g, f), expected,
                1e-5 * (1 + expected))
        << c[0] << " -> " << c[1];
  }
}

TEST(Assembly, SurfaceMovingUpConsumesNothing) {
  Bench b(2, 6, 1.0f, 0.5f);
  std::fill(b.C_old.begin(), b.C_old.end(), 1.0f);
  b.surface(1, 0.3f);
  b.surface(1, 0.1f, false);
  EXPECT_EQ(tavik::MATRXC(b.mesh(), b.state(), b.C_old, 1, 1.0f, 1.0f), 0.0f);
}

}  // namespace
