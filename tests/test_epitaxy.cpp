#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "common/dop3d.hpp"
#include "process/epitaxy.hpp"
#include "support.hpp"

namespace {

using tavik::EPITAX;
using tavik::log_linear;

// Three dopant fields on an NX by NY mesh with the given row coordinates.
struct Fields {
  int NX, NY;
  std::vector<float> Y, P, B, A;
  Fields(int nx, std::vector<float> y)
      : NX(nx), NY(static_cast<int>(y.size())), Y(std::move(y)),
        P(static_cast<std::size_t>(NX * NY)), B(P.size()), A(P.size()) {}
  std::size_t node(int i, int j) const { return static_cast<std::size_t>((i - 1) + (j - 1) * NX); }
  void grow(float TH, float PH, float BO, float AS) { EPITAX(NX, NY, P, B, A, Y, TH, PH, BO, AS); }
};

// Distinct positive values per node and dopant, so that a misplaced row or
// column shows up.
Fields numbered(int nx, std::vector<float> y) {
  Fields f(nx, std::move(y));
  for (int j = 1; j <= f.NY; ++j)
    for (int i = 1; i <= f.NX; ++i) {
      const auto n = f.node(i, j);
      f.P[n] = static_cast<float>(10 * j + i);
      f.B[n] = static_cast<float>(100 * j + i);
      f.A[n] = static_cast<float>(1000 * j + i);
    }
  return f;
}

TEST(Epitaxy, ThicknessOnAMeshLineCopiesRowsExactly) {
  const Fields old = numbered(2, {0.0f, 0.5f, 1.0f, 1.5f, 2.0f});
  // Thickness equal to Y(2), Y(3) or Y(NY): the layer fills the rows above,
  // the rows below hold old rows 1, 2, ...; the rest is lost.
  for (const auto& [TH, first_shifted] :
       {std::pair{0.5f, 2}, std::pair{1.0f, 3}, std::pair{2.0f, 5}}) {
    Fields f = old;
    f.grow(TH, 0.5f, 0.25f, 0.125f);
    for (int i = 1; i <= f.NX; ++i)
      for (int j = 1; j <= f.NY; ++j) {
        const auto n = f.node(i, j);
        if (j < first_shifted) {
          EXPECT_EQ(f.P[n], 0.5f);
          EXPECT_EQ(f.B[n], 0.25f);
          EXPECT_EQ(f.A[n], 0.125f);
        } else {
          const auto m = old.node(i, j - first_shifted + 1);
          EXPECT_EQ(f.P[n], old.P[m]) << "TH " << TH << " i " << i << " j " << j;
          EXPECT_EQ(f.B[n], old.B[m]);
          EXPECT_EQ(f.A[n], old.A[m]);
        }
      }
  }
}

TEST(Epitaxy, ShiftOnAGradedMeshFollowsDepthNotRowNumber) {
  const Fields old = numbered(1, {0.0f, 0.5f, 1.0f, 2.0f, 3.0f});
  Fields f = old;
  f.grow(1.0f, 0.0f, 0.0f, 0.0f);
  // Y(4) = 2 now holds old depth 1 = Y(3), Y(5) = 3 old depth 2 = Y(4).
  EXPECT_EQ(f.P[3], old.P[2]);
  EXPECT_EQ(f.P[4], old.P[3]);
  EXPECT_EQ(f.A[4], old.A[3]);
}

TEST(Epitaxy, ThicknessBetweenLinesInterpolatesTheLogarithm) {
  Fields f(1, {0.0f, 1.0f, 2.0f, 3.0f});
  const std::vector<float> c = {1e-4f, 1e-2f, 1.0f, 1e-6f};
  f.P = c;
  f.grow(0.25f, 7.0f, 0.0f, 0.0f);
  EXPECT_EQ(f.P[0], 7.0f);  // Y(1) = 0 < TH: layer
  // d = Y(j) - 0.25 lies a quarter below the line above: weights 3/4 and 1/4.
  for (int j = 2; j <= 4; ++j) {
    const double expected = std::pow(c[j - 2], 0.25) * std::pow(c[j - 1], 0.75);
    EXPECT_NEAR(f.P[static_cast<std::size_t>(j - 1)], expected, 2e-6 * expected) << "row " << j;
  }
}

TEST(Epitaxy, LayerThickerThanTheMeshReplacesEverything) {
  Fields f = numbered(3, {0.0f, 1.0f, 2.0f});
  f.grow(5.0f, 1e-5f, 2e-5f, 0.0f);
  for (std::size_t n = 0; n < f.P.size(); ++n) {
    EXPECT_EQ(f.P[n], 1e-5f);
    EXPECT_EQ(f.B[n], 2e-5f);
    EXPECT_EQ(f.A[n], 0.0f);
  }
}

TEST(Epitaxy, NoLayerLeavesTheFieldsUnchanged) {
  const Fields old = numbered(2, {0.0f, 1.0f, 2.0f});
  for (const float TH : {0.0f, -1.0f, NAN}) {
    Fields f = old;
    f.grow(TH, 5.0f, 5.0f, 5.0f);
    EXPECT_EQ(f.P, old.P);
    EXPECT_EQ(f.B, old.B);
    EXPECT_EQ(f.A, old.A);
  }
}

TEST(Epitaxy, ZeroAtEitherEndGivesZero) {
  Fields f(2, {0.0f, 1.0f, 2.0f});
  // Phosphorus by rows: column 1 holds 0, 2, 8; column 2 holds 3, 0, 4.
  f.P = {0.0f, 3.0f, 2.0f, 0.0f, 8.0f, 4.0f};
  for (auto& c : f.B) c = 1.0f;
  f.grow(0.5f, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(f.P[f.node(1, 1)], 0.0f);                   // layer without phosphorus
  EXPECT_EQ(f.P[f.node(1, 2)], 0.0f);                   // between 0 and 2
  EXPECT_EQ(f.P[f.node(2, 2)], 0.0f);                   // between 3 and 0
  EXPECT_NEAR(f.P[f.node(1, 3)], 4.0f, 4.0f * 2e-6f);   // between 2 and 8
  EXPECT_EQ(f.P[f.node(2, 3)], 0.0f);                   // between 0 and 4
  EXPECT_NEAR(f.B[f.node(2, 3)], 1.0f, 2e-6f);
  for (const float a : f.A) EXPECT_EQ(a, 0.0f);        // no arsenic anywhere
}

TEST(Epitaxy, LightlyDopedLayerOnASubstrate) {
  // Phosphorus 1e16 cm-3 substrate, a 1e15 layer of 0.3 microns, on a
  // graded mesh; concentrations in units of 1e20.
  Fields f(2, {0.0f, 0.1f, 0.25f, 0.45f, 0.7f, 1.0f});
  for (auto& c : f.P) c = 1e16f / 1e20f;
  const float PH = 1e15f / 1e20f;
  f.grow(0.3f, PH, 0.0f, 0.0f);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= f.NY; ++j) {
      const float c = f.P[f.node(i, j)];
      if (f.Y[static_cast<std::size_t>(j - 1)] < 0.3f)
        EXPECT_EQ(c, PH);
      else
        EXPECT_NEAR(c, 1e-4f, 1e-4f * 2e-6f) << "row " << j;
      EXPECT_EQ(f.B[f.node(i, j)], 0.0f);
    }
}

TEST(Epitaxy, LogLinearEnds) {
  struct Case {
    float ca, cb, d, expected;
  };
  for (const Case& c : {Case{0.0f, 1.0f, 0.5f, 0.0f}, Case{1.0f, 0.0f, 0.5f, 0.0f},
                        Case{-1.0f, 1.0f, 0.5f, 0.0f}, Case{1.0f, -1.0f, 0.5f, 0.0f},
                        Case{1e-3f, 1e-1f, 0.5f, 1e-2f}, Case{1e-3f, 1e-1f, 0.25f, 3.1622777e-3f}}) {
    EXPECT_NEAR(log_linear(0.0f, c.ca, 1.0f, c.cb, c.d), c.expected, 2e-6f * c.expected)
        << c.ca << " " << c.cb << " " << c.d;
  }
  // At the top of the float range the result stays finite.
  EXPECT_TRUE(std::isfinite(log_linear(0.0f, 3.4e38f, 1.0f, 3.4e38f, 0.3f)));
}

// The heat cycle of an epitaxy holds no surface source, not even the one a
// deposition left: the buried phosphorus sheet and the substrate boron both
// diffuse up into the lightly doped layer and raise its top row.
TEST(Epitaxy, ThermalStepHoldsNoSurfaceSource) {
  testing_support::ScratchDir dir;
  testing_support::write_file(dir / "EPI.INP",
                              "MESH: NX=3 NY=61 XX=1 YY=3;\n"
                              "SUBS: BO=1e15;\n"
                              "PHDE: CS=1e19;\n"
                              "EPIT: TH=0.5 PH=1e15 TC=1100 TM=600;\n"
                              "$\n");
  const auto r = testing_support::run_program(TAVIK_EXE, "EPI.INP", dir.path());
  ASSERT_EQ(r.exit_status, 0) << r.output;
  EXPECT_NE(r.output.find("  Elapsed time  10 min  0 s;"), std::string::npos) << r.output;
  const sim::Dop3d f = sim::read_dop3d(dir / "EPI.3D");
  const auto& phosphorus = f.blocks[4].values;
  const auto& boron = f.blocks[5].values;
  for (std::size_t i = 0; i < f.nx(); ++i) {
    EXPECT_GT(phosphorus[i], 2e15) << "column " << i;  // layer doping 1e15
    EXPECT_GT(boron[i], 1.5e12) << "column " << i;     // layer boron at the floor, 1e12
  }
}

TEST(Epitaxy, RejectsMismatchedArrays) {
  Fields f(2, {0.0f, 1.0f});
  std::vector<float> short_field(3);
  EXPECT_THROW(EPITAX(2, 2, short_field, f.B, f.A, f.Y, 0.5f, 1, 1, 1), std::invalid_argument);
  EXPECT_THROW(EPITAX(2, 3, f.P, f.B, f.A, f.Y, 0.5f, 1, 1, 1), std::invalid_argument);
}

}  // namespace
