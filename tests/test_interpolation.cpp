#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "device/setup/interpolation.hpp"

namespace {

using devora::INTERP2;
using devora::INTERPW;
using devora::RATIOG;

struct Positions {
  std::vector<double> weights;
  std::vector<std::size_t> indices;
};

Positions search(const std::vector<double>& table, const std::vector<double>& queries) {
  Positions p{std::vector<double>(queries.size(), -1.0), std::vector<std::size_t>(queries.size(), 99)};
  INTERPW(table, queries, p.weights, p.indices);
  return p;
}

TEST(Interpolation, TableSearchAtAndBeyondTheEnds) {
  // Below, on the first point, inside, on the last point, above, then a
  // query out of order after the end.
  const Positions p = search({0.0, 1.0, 2.0}, {-1.0, 0.0, 0.5, 2.0, 3.0, 1.5});
  EXPECT_EQ(p.indices, (std::vector<std::size_t>{0, 0, 0, 1, 2, 1}));
  EXPECT_EQ(p.weights, (std::vector<double>{0, 0, 0.5, 1, 0, 0.5}));

  // A one-point table: every query takes that point, never 0/0.
  const Positions one = search({5.0}, {4.0, 5.0, 6.0, 5.0});
  EXPECT_EQ(one.indices, (std::vector<std::size_t>{0, 0, 0, 0}));
  EXPECT_EQ(one.weights, (std::vector<double>{0, 0, 0, 0}));
  std::vector<double> f{3e15}, g(4);
  RATIOG(f, g, one.weights, one.indices, true);
  for (double v : g) EXPECT_NEAR(v, 3e15, 3e15 * 1e-12);
}

TEST(Interpolation, LogarithmicHalfWayIsTheGeometricMean) {
  const Positions p = search({0.0, 1.0}, {0.5, 1.0, 7.0});
  std::vector<double> f{1e15, 1e17}, g(3);
  RATIOG(f, g, p.weights, p.indices, true);
  EXPECT_NEAR(g[0], 1e16, 1e16 * 1e-12);
  EXPECT_NEAR(g[1], 1e17, 1e17 * 1e-12);
  EXPECT_NEAR(g[2], 1e17, 1e17 * 1e-12);
  EXPECT_DOUBLE_EQ(f[0], std::log(1e15 + 1e-20));  // the table was taken in place

  // Non-positive values count as 0: a finite, tiny result, no NaN.
  std::vector<double> signed_table{-1e15, 0.0}, h(3);
  RATIOG(signed_table, h, p.weights, p.indices, true);
  for (double v : h) {
    EXPECT_TRUE(std::isfinite(v));
    EXPECT_NEAR(v, 1e-20, 1e-30);
  }
}

TEST(Interpolation, TwoDimensionalMapping) {
  // Source 2 x 2 nodes at x, y = 0, 1; destination columns -1, 0.5, 2 and
  // rows 0.5, 1.
  const std::vector<double> axis{0.0, 1.0};
  const Positions cols = search(axis, {-1.0, 0.5, 2.0});
  const Positions rows = search(axis, {0.5, 1.0});
  std::vector<double> f{1e14, 1e16, 1e16, 1e18}, g(6);
  INTERP2(f, g, cols.weights, rows.weights, cols.indices, rows.indices, 2, 2, 3, 2, true);
  const std::vector<double> expected{1e15, 1e16, 1e17, 1e16, 1e17, 1e18};
  for (std::size_t n = 0; n < g.size(); ++n) EXPECT_NEAR(g[n], expected[n], expected[n] * 1e-12) << n;

  std::vector<double> linear{0.0, 1.0, 2.0, 4.0};
  INTERP2(linear, g, cols.weights, rows.weights, cols.indices, rows.indices, 2, 2, 3, 2, false);
  EXPECT_EQ(g, (std::vector<double>{1.0, 1.75, 2.5, 2.0, 3.0, 4.0}));
}

}  // namespace
