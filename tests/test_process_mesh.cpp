#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "common/fatal_stop.hpp"
#include "process/mesh.hpp"

namespace {

using tavik::ProcessMesh;

// Runs `body`, expecting a fatal stop; returns it.
template <class F>
sim::FatalStop expect_stop(F body) {
  try {
    body();
  } catch (const sim::FatalStop& stop) {
    return stop;
  }
  ADD_FAILURE() << "no fatal stop";
  return sim::FatalStop("", sim::FatalStop::Wait::none);
}

ProcessMesh make_mesh(int nx, int ny, float xx, float yy, int im = 1, float ax = 1e-5f,
                      float ay = 1e-5f, int it = 100) {
  ProcessMesh m;
  tavik::MESHSET(m, nx, ny, it);
  tavik::MESHGEN(m, im, ax, ay, xx, yy);
  return m;
}

TEST(Mesh, ThreeByThreeExample) {
  const ProcessMesh m = make_mesh(3, 3, 1.0f, 2.0f);
  EXPECT_EQ(m.NN, 9);
  EXPECT_EQ(m.X, (std::vector<float>{0.0f, 0.5f, 1.0f}));
  EXPECT_EQ(m.Y, (std::vector<float>{0.0f, 1.0f, 2.0f}));
  EXPECT_EQ(m.wx, (std::vector<float>{0.25f, 0.5f, 0.25f}));
  EXPECT_EQ(m.wy, (std::vector<float>{0.5f, 1.0f, 0.5f}));
  EXPECT_EQ(m.rhx, (std::vector<float>{2.0f, 2.0f, 0.0f}));
  EXPECT_EQ(m.rhy, (std::vector<float>{1.0f, 1.0f, 0.0f}));
  EXPECT_FLOAT_EQ(m.cdown[m.node(2, 1)], 0.5f);
  // Every coupling follows its table formula; those across the outer
  // boundary are 0.
  for (int j = 1; j <= 3; ++j) {
    for (int i = 1; i <= 3; ++i) {
      const std::size_t n = m.node(i, j);
      EXPECT_EQ(m.cdown[n], j < 3 ? m.wx[i - 1] * m.rhy[j - 1] : 0.0f);
      EXPECT_EQ(m.cup[n], j > 1 ? m.wx[i - 1] * m.rhy[j - 2] : 0.0f);
      EXPECT_EQ(m.cleft[n], i > 1 ? m.wy[j - 1] * m.rhx[i - 2] : 0.0f);
      EXPECT_EQ(m.cright[n], i < 3 ? m.wy[j - 1] * m.rhx[i - 1] : 0.0f);
    }
  }
}

TEST(Mesh, ClearedStateAfterMesh) {
  const ProcessMesh m = make_mesh(4, 5, 2.0f, 3.0f, 1, 1e-5f, 1e-5f, 37);
  EXPECT_TRUE(m.allocated);
  EXPECT_EQ(m.JSMAX, 1);
  for (const auto* v : {&m.ISURF, &m.isurf_before_step, &m.isurf_last_step}) {
    ASSERT_EQ(v->size(), 4u);
    for (int s : *v) EXPECT_EQ(s, 1);
  }
  for (const auto* v : {&m.CPHOS, &m.CBOR, &m.CARS, &m.W}) {
    ASSERT_EQ(v->size(), 20u);
    for (float c : *v) EXPECT_EQ(c, 0.0f);
  }
  for (float s : m.YSURF) EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(m.profile_depth.size(), 7u);
  EXPECT_EQ(m.epi_ars.size(), 5u);
  EXPECT_EQ(m.residual_history.size(), 37u);
}

TEST(Mesh, GradedAxisGrowsGeometrically) {
  const int nx = 6;
  const ProcessMesh m = make_mesh(nx, 3, 10.0f, 1.0f, 0, 2.0f, 1e-5f);
  EXPECT_EQ(m.X.front(), 0.0f);
  EXPECT_NEAR(m.X.back(), 10.0f, 1e-5f);
  const float factor = std::exp(2.0f / float(nx - 1));
  for (int i = 1; i + 1 < nx; ++i)
    EXPECT_NEAR((m.X[i + 1] - m.X[i]) / (m.X[i] - m.X[i - 1]), factor, 1e-4f) << i;
  EXPECT_EQ(m.Y, (std::vector<float>{0.0f, 0.5f, 1.0f}));  // AY at its floor: uniform
}

TEST(Mesh, GradingParameterIgnoredWhereTheAxisStaysUniform) {
  struct Case { int im; float ax; };
  for (const Case c : {Case{0, 0.005f}, Case{0, 0.01f}, Case{1, 2.0f}, Case{5, 3.0f}}) {
    const ProcessMesh m = make_mesh(5, 2, 4.0f, 1.0f, c.im, c.ax, c.ax);
    EXPECT_EQ(m.X, (std::vector<float>{0.0f, 1.0f, 2.0f, 3.0f, 4.0f})) << c.im << " " << c.ax;
    EXPECT_EQ(m.Y, (std::vector<float>{0.0f, 1.0f})) << c.im << " " << c.ax;
  }
}

TEST(Mesh, GradedDepthEndsExactlyAtTheMeshEdges) {
  const ProcessMesh m = make_mesh(7, 9, 3.3f, 2.7f, 0, 1.3f, 2.9f);
  EXPECT_EQ(m.X.back(), 3.3f);
  EXPECT_EQ(m.Y.back(), 2.7f);
  for (int j = 0; j + 1 < 9; ++j) EXPECT_GT(m.Y[j + 1], m.Y[j]);
}

TEST(Mesh, StrongGradingStaysFinite) {
  // exp(100) overflows a 4-byte real; the lines are still finite and ordered.
  const ProcessMesh m = make_mesh(3, 3, 5.0f, 1.0f, 0, 100.0f, 1e-5f);
  EXPECT_EQ(m.X.front(), 0.0f);
  EXPECT_GT(m.X[1], 0.0f);
  EXPECT_NEAR(m.X[2], 5.0f, 1e-5f);
  for (float r : m.rhx) EXPECT_TRUE(std::isfinite(r));
}

TEST(Mesh, RefusedMeshes) {
  const std::string too_large = " Number of nodes is too large, not enough memory";
  {
    ProcessMesh m = make_mesh(3, 3, 1.0f, 1.0f);
    const auto stop = expect_stop([&] { tavik::MESHSET(m, 3, 3, 100); });
    EXPECT_EQ(std::string(stop.what()), too_large);
    EXPECT_EQ(stop.wait, sim::FatalStop::Wait::none);
    EXPECT_EQ(m.NX, 3);  // the first mesh is kept
  }
  {
    ProcessMesh m;
    const auto stop = expect_stop([&] { tavik::MESHSET(m, INT_MAX, 4, 100); });
    EXPECT_EQ(std::string(stop.what()), too_large);
    EXPECT_FALSE(m.allocated);
  }
  for (auto [nx, ny] : {std::pair{1, 5}, std::pair{5, 1}, std::pair{0, 0}, std::pair{-3, 4}}) {
    ProcessMesh m;
    expect_stop([&] { tavik::MESHSET(m, nx, ny, 100); });
    EXPECT_FALSE(m.allocated);
  }
  for (auto [xx, yy] : {std::pair{0.0f, 1.0f}, std::pair{1.0f, -2.0f}, std::pair{NAN, 1.0f}}) {
    ProcessMesh m;
    tavik::MESHSET(m, 3, 3, 10);
    expect_stop([&] { tavik::MESHGEN(m, 1, 0.0f, 0.0f, xx, yy); });
  }
  {
    ProcessMesh m;  // no MESHSET
    expect_stop([&] { tavik::MESHGEN(m, 1, 0.0f, 0.0f, 1.0f, 1.0f); });
  }
  {
    // Grading so strong that the first spacing vanishes in 4-byte reals.
    ProcessMesh m;
    tavik::MESHSET(m, 21, 3, 10);
    const auto stop = expect_stop([&] { tavik::MESHGEN(m, 0, 500.0f, 0.0f, 1.0f, 1.0f); });
    EXPECT_EQ(std::string(stop.what()), " Mesh spacing too small: mesh lines coincide");
  }
}

}  // namespace
