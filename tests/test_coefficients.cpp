// Coefficients of the thermal step checked against the model formulas
// evaluated independently in double precision.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "process/coefficients.hpp"

namespace {

using tavik::COEFFT;
using tavik::DopantParams;
using tavik::ModelBlocks;
using tavik::StepCoefficients;

struct Blocks {
  tavik::BNDCON band;
  tavik::DIFCON diff;
  tavik::OEDCON oed;
  tavik::OXDCON drox;
  tavik::WETCON weox;
  tavik::LOCCON loco;
  tavik::SEGCON segr;
  ModelBlocks view() const { return {band, diff, oed, drox, weox, loco, segr}; }
};

double arrhenius(double prefactor, double energy, double T) {
  return prefactor * std::exp(-energy * 11605.0 / T);
}

TEST(Coefficients, DiffusivitiesAndIntrinsicDensityAt1000C) {
  const Blocks b;
  const double T = 1273.0;
  const StepCoefficients k = COEFFT(float(T), 100, 0, 0.0f, b.view());
  EXPECT_NEAR(k.D_B, arrhenius(0.555, 3.42, T) * 1e8, 1e-5 * k.D_B);
  EXPECT_NEAR(k.D_As, arrhenius(22.9, 4.1, T) * 1e8, 1e-5 * k.D_As);
  EXPECT_NEAR(k.D_P0, arrhenius(3.85, 3.66, T) * 1e8, 1e-5 * k.D_P0);
  EXPECT_NEAR(k.D_P1, arrhenius(4.4, 4.0, T) * 1e8, 1e-5 * k.D_P1);
  EXPECT_NEAR(k.D_P2, arrhenius(44.2, 4.37, T) * 1e8, 1e-5 * k.D_P2);
  const double ni = 3.873e16 / 1e20 * std::pow(T, 1.5) * std::exp(-1.20948 * 0.5 * 11605.0 / T);
  EXPECT_NEAR(k.ni, ni, 1e-5 * ni);
  EXPECT_NEAR(k.ni * 1e20, 7.1e18, 0.3e18);  // the textbook value at 1000 C
  EXPECT_FLOAT_EQ(k.rni * k.ni, 1.0f);
  EXPECT_EQ(k.beta_B, 3.0f);
  EXPECT_EQ(k.beta_As, 100.0f);
}

TEST(Coefficients, InertAnnealHasNoOxidationAndNoBoronSegregation) {
  const Blocks b;
  const StepCoefficients k = COEFFT(1273.0f, 100, 0, 1.0f, b.view());
  EXPECT_EQ(k.A_half, 0.0f);
  EXPECT_EQ(k.B, 0.0f);
  EXPECT_NEAR(k.g_B, 0.0f, 1e-7f);
  EXPECT_EQ(k.O_As, 0.0f);  // arsenic has no OED with the defaults
  // Phosphorus and arsenic stay in the silicon: m = 1e22.
  EXPECT_FLOAT_EQ(k.g_P, 1.0f);
  EXPECT_FLOAT_EQ(k.g_As, 1.0f);
  const tavik::OxideShape s = tavik::LOCOSHP(3600.0f, 1273.0f, 0.03f, 100, k, b.loco);
  EXPECT_EQ(s.x_ox, 0.0f);
  EXPECT_EQ(tavik::LOCOERF(0.0f, 1e10f, 0.03f, s), 0.0f);
}

struct OxidationCase {
  const char* name;
  int OX;
  int OR;
  double T;
  double POX;
};

// Linear-parabolic constants B and B/A of the dry and wet branches.
void expected_constants(const OxidationCase& c, double& B, double& BA) {
  const double korient = c.OR == 111 ? 1.0 : 0.595;
  if (c.OX == 1) {
    const double Pp = c.POX > 1 ? std::pow(c.POX, 0.75) : c.POX;
    B = 0.214444 * c.POX * std::exp(-1.23 * 11605.0 / c.T);
    BA = korient * Pp * 1730.555 * std::exp(-2.0 * 11605.0 / c.T);
  } else {
    B = c.T < 950 + 273 ? c.POX * 4.72222 * std::exp(-1.17 * 11605.0 / c.T)
                        : c.POX * 0.116667 * std::exp(-0.78 * 11605.0 / c.T);
    BA = c.T < 900 + 273 ? korient * c.POX * 575 * std::exp(-1.6 * 11605.0 / c.T)
                         : korient * c.POX * 49166.7 * std::exp(-2.05 * 11605.0 / c.T);
  }
}

TEST(Coefficients, LinearParabolicConstantsAndOxideThickness) {
  const OxidationCase cases[] = {
      {"dry 1000C", 1, 100, 1273, 1},       {"dry 1000C 111", 1, 111, 1273, 1},
      {"dry 2 atm", 1, 100, 1273, 2},       {"wet 1000C", 2, 100, 1273, 1},
      {"wet 900C", 2, 100, 1173, 1},        {"wet 850C", 2, 111, 1123, 1},
      {"wet, any kind but 0 and 1", 7, 100, 1273, 1},
  };
  const Blocks b;
  for (const OxidationCase& c : cases) {
    SCOPED_TRACE(c.name);
    const StepCoefficients k = COEFFT(float(c.T), c.OR, c.OX, float(c.POX), b.view());
    double B = 0, BA = 0;
    expected_constants(c, B, BA);
    EXPECT_NEAR(k.B, B, 1e-5 * B);
    EXPECT_NEAR(k.A_half, 0.5 * B / BA, 1e-5 * 0.5 * B / BA);
    for (double t : {0.0, 600.0, 3600.0, 14400.0}) {
      const double U0 = 0.03, Ah = 0.5 * B / BA;
      const double x_ox = -Ah + std::sqrt((Ah + U0) * (Ah + U0) + B * t);
      const tavik::OxideShape s = tavik::LOCOSHP(float(t), float(c.T), float(U0), c.OR, k, b.loco);
      EXPECT_NEAR(s.x_ox, x_ox, 2e-5 + 1e-4 * x_ox) << "t = " << t;
    }
  }
}

TEST(Coefficients, BoronSegregationByOxidationKind) {
  const Blocks b;
  const double T = 1273, q = 11605.0 / T;
  auto g = [](double m) { return 1.0 - 1.0 / (0.44 * m); };
  EXPECT_NEAR(COEFFT(float(T), 100, 1, 1.0f, b.view()).g_B, g(13.4 * std::exp(-0.33 * q)), 1e-5);
  EXPECT_NEAR(COEFFT(float(T), 100, 2, 1.0f, b.view()).g_B, g(65.2 * std::exp(-0.66 * q)), 1e-5);
  EXPECT_NEAR(COEFFT(float(T), 111, 2, 1.0f, b.view()).g_B, g(104 * std::exp(-0.66 * q)), 1e-5);
  const StepCoefficients k = COEFFT(float(T), 100, 1, 1.0f, b.view());
  EXPECT_NEAR(k.lambda_B, 0.44 * 12500 * std::exp(-2 * q), 1e-5 * k.lambda_B);
  EXPECT_NEAR(k.O_B, 1.667e-5 * 1e8 * std::exp(-2.08 * q), 1e-5 * k.O_B);
  EXPECT_NEAR(k.O_P, 1.444e-5 * 1e8 * std::exp(-2.08 * q), 1e-5 * k.O_P);
}

TEST(Coefficients, WrongSignedActivationEnergyStaysFinite) {
  Blocks b;
  b.diff.DXEB = -100.0f;
  const StepCoefficients k = COEFFT(1273.0f, 100, 0, 0.0f, b.view());
  EXPECT_TRUE(std::isfinite(k.D_B));
}

// Just above the lowest temperature of a thermal step (276 K) the
// phosphorus diffusivities underflow to 0; the diffusivity stays 0, not NaN.
TEST(Coefficients, PhosphorusNearRoomTemperatureStaysFinite) {
  const Blocks b;
  const StepCoefficients k = COEFFT(276.0f, 100, 0, 0.0f, b.view());
  ASSERT_EQ(k.D_P0, 0.0f);
  const DopantParams p = tavik::DOPSEL(tavik::kSelPhosphorus, k);
  const tavik::FaceDiffusivity d = tavik::NIFACT(1e-3f, 1e-5f, 0.0f, 1.0f, p);
  EXPECT_EQ(d.Dc, 0.0f);
  EXPECT_EQ(d.Dx, 0.0f);
}

// Every dopant's signs make c1*own + c2*other1 + c3*other2 the net donor
// concentration P + As - B, with the others in DOPSEL's order.
TEST(Coefficients, DopselChargeSignsGiveNetDonors) {
  const Blocks b;
  const StepCoefficients k = COEFFT(1273.0f, 100, 0, 0.0f, b.view());
  const float P = 3, B = 5, As = 11;
  struct Row {
    int code;
    float own, o1, o2;
  } rows[] = {{tavik::kSelPhosphorus, P, B, As},
              {tavik::kSelBoron, B, P, As},
              {tavik::kSelArsenic, As, P, B},
              {99, As, P, B}};  // any other code selects arsenic
  for (const Row& r : rows) {
    const DopantParams p = tavik::DOPSEL(r.code, k);
    EXPECT_EQ(p.c1 * r.own + p.c2 * r.o1 + p.c3 * r.o2, P + As - B) << r.code;
  }
  EXPECT_EQ(tavik::DOPSEL(tavik::kSelBoron, k).D0, k.D_B);
  EXPECT_FLOAT_EQ(tavik::DOPSEL(tavik::kSelPhosphorus, k).r1, k.D_P1 / k.D_P0);
}

TEST(Coefficients, NifactIntrinsicAndExtrinsicLimits) {
  const Blocks b;
  const StepCoefficients k = COEFFT(1273.0f, 100, 0, 0.0f, b.view());
  const float low = k.ni * 1e-6f;
  // Far below ni every dopant diffuses with its intrinsic diffusivity.
  EXPECT_NEAR(tavik::NIFACT(low, 0, 0, 1, tavik::DOPSEL(tavik::kSelBoron, k)).Dc, k.D_B,
              1e-5f * k.D_B);
  EXPECT_NEAR(tavik::NIFACT(low, 0, 0, 1, tavik::DOPSEL(tavik::kSelArsenic, k)).Dc, k.D_As,
              1e-5f * k.D_As);
  const float DP = k.D_P0 + k.D_P1 + k.D_P2;
  EXPECT_NEAR(tavik::NIFACT(low, 0, 0, 1, tavik::DOPSEL(tavik::kSelPhosphorus, k)).Dc, DP,
              1e-5f * DP);
  // Far above ni: arsenic with N = C, n = C: D = 2 D0 (1 + beta C/ni)/(1 + beta).
  const DopantParams as = tavik::DOPSEL(tavik::kSelArsenic, k);
  const float high = 100.0f * k.ni;
  const double expected = 2.0 * k.D_As * (1 + 100.0 * 100.0) / 101.0;
  const tavik::FaceDiffusivity d = tavik::NIFACT(high, 0, 0, 1, as);
  EXPECT_NEAR(d.Dc, expected, 2e-3 * expected);
  // The cross coefficient couples through the net doping with the opposite
  // sign of the own charge: -c1 D_eff C/s.
  EXPECT_LT(d.Dx, 0.0f);
  EXPECT_GT(tavik::NIFACT(high, 0, 0, 1, tavik::DOPSEL(tavik::kSelBoron, k)).Dx, 0.0f);
  // OED adds O*R*L to the effective diffusivity.
  DopantParams bo = tavik::DOPSEL(tavik::kSelBoron, k);
  bo.oed = 2.0f * k.D_B;
  EXPECT_NEAR(tavik::NIFACT(low, 0, 0, 0.5f, bo).Dc, 2.0f * k.D_B, 1e-5f * k.D_B);
}

TEST(Coefficients, LocalOxidationEdge) {
  const Blocks b;
  const StepCoefficients k = COEFFT(1273.0f, 100, 2, 1.0f, b.view());
  const float U0 = 0.03f, XO = 2.0f;
  const tavik::OxideShape s = tavik::LOCOSHP(3600.0f, 1273.0f, U0, 100, k, b.loco);
  const float full = 0.44f * (s.x_ox - U0);
  EXPECT_NEAR(tavik::LOCOERF(0.0f, XO, U0, s), full, 1e-4f * full);           // open window
  EXPECT_NEAR(tavik::LOCOERF(XO + s.delta, XO, U0, s), full / 2, 1e-4f * full);  // erfc(0) = 1
  EXPECT_NEAR(tavik::LOCOERF(XO + s.delta + 10 * s.gamma, XO, U0, s), 0.0f, 1e-6f);
  // A negative window mirrors the mask: open for x > |XO|.
  EXPECT_NEAR(tavik::LOCOERF(5.0f, -XO, U0, s), full, 1e-4f * full);
  EXPECT_NEAR(tavik::LOCOERF(0.0f, -XO, U0, s), 0.0f, 1e-6f);
  // Without a mask (XO = 1e10) the whole surface is consumed evenly.
  EXPECT_NEAR(tavik::LOCOERF(3.0f, 1e10f, U0, s), full, 1e-4f * full);
}

TEST(Coefficients, NonPositiveEdgeWidthGivesASharpFiniteEdge) {
  tavik::OxideShape s{0.5f, 0.1f, -0.2f};
  const float full = 0.44f * (0.5f - 0.03f);
  EXPECT_NEAR(tavik::LOCOERF(1.0f, 2.0f, 0.03f, s), full, 1e-5f);
  EXPECT_EQ(tavik::LOCOERF(3.0f, 2.0f, 0.03f, s), 0.0f);
  s.gamma = 0.0f;
  EXPECT_TRUE(std::isfinite(tavik::LOCOERF(2.1f, 2.0f, 0.03f, s)));
}

TEST(Coefficients, OedFactorDecaysUnderTheMaskAndIntoTheDepth) {
  const tavik::OEDCON oed;
  const std::vector<float> x{0.0f, 1.0f, 3.0f}, y{0.0f, 0.5f, 5.0f}, y0{0.0f, 0.0f, 0.0f};
  std::vector<float> L(9);
  tavik::OEDLAT(1.0f, 3, 3, x, y, y0, oed, L);
  EXPECT_FLOAT_EQ(L[0], 1.0f);                       // window, surface
  EXPECT_FLOAT_EQ(L[1], 1.0f);                       // at the mask edge
  EXPECT_FLOAT_EQ(L[2], std::exp(-2.0f / 2.0f));     // 2 um under the mask
  EXPECT_FLOAT_EQ(L[6], std::exp(-5.0f / 25.0f));    // 5 um deep
  EXPECT_FLOAT_EQ(L[8], std::exp(-1.0f - 0.2f));
  // The negative window mirrors the lateral decay.
  tavik::OEDLAT(-1.0f, 3, 3, x, y, y0, oed, L);
  EXPECT_FLOAT_EQ(L[0], std::exp(-0.5f));
  EXPECT_FLOAT_EQ(L[2], 1.0f);
}

}  // namespace
