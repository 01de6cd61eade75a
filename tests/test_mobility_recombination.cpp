// Mobility and recombination models on a scaled run: point values at 300 K
// and zero fields, model selection, zero doping, recombination regions.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "device/physics/mobility.hpp"
#include "device/physics/recombination.hpp"
#include "device/setup/scaling.hpp"
#include "device_deck_run.hpp"

namespace {

using devora::Carrier;

struct ScaledRun : DeckRun {
  explicit ScaledRun(const std::string& deck) : DeckRun(deck) { devora::SCALSET(run); }
  // Mobility in cm2/Vs at a total doping in cm-3 and fields in internal units.
  double mobility(double doping_cm3, Carrier k, double e_par = 0.0, double e_perp = 0.0) const {
    return devora::MOBIL(run, e_par, e_perp, doping_cm3 / run.scale.NI, k) / run.scale.VT;
  }
};

// Mobilities at 1e15 .. 1e19 cm-3, as rounded to four digits.
void expect_curve(const ScaledRun& r, Carrier k, const std::vector<double>& mu) {
  double doping = 1e15;
  for (double expected : mu) {
    const double half_unit = 0.5 * std::pow(10.0, std::floor(std::log10(expected)) - 3.0);
    EXPECT_NEAR(r.mobility(doping, k), expected, half_unit) << doping << " cm-3";
    doping *= 10.0;
  }
}

TEST(Mobility, DopingDependenceOfTheThreeModels) {
  ScaledRun lomb("$");  // LOMB without a mobility statement
  expect_curve(lomb, Carrier::electrons, {1346, 1167, 723.3, 283.2, 108});
  expect_curve(lomb, Carrier::holes, {456.6, 421.1, 316.9, 159.8, 73.05});
  ScaledRun yama("YAMA: UMN0=1400;\n$");
  expect_curve(yama, Carrier::electrons, {1377, 1213, 675, 249.7, 106.8});
  ScaledRun bipo("BIPO: UMNM=55.24;\n$");
  expect_curve(bipo, Carrier::electrons, {1386, 1224, 759.7, 279.1, 103});
}

// At high field along the current the drift velocity mu*E saturates at the
// carrier's own saturation velocity (cm/s): the field terms and each carrier's set.
TEST(Mobility, VelocitySaturationPerCarrier) {
  const double e_vcm = 1e8;
  for (const auto& [deck, vn, vp] : {std::tuple{"$", 1.065e7, 1.065e7},
                                     {"YAMA: UMN0=1400;\n$", 1.036e7, 1.2e7},
                                     {"BIPO: VSTP=0.9E7;\n$", 1.065e7, 0.9e7}}) {
    ScaledRun r(deck);
    const double e = e_vcm / r.run.scale.E0;
    EXPECT_NEAR(r.mobility(1e16, Carrier::electrons, e) * e_vcm, vn, vn * 1e-3) << deck;
    EXPECT_NEAR(r.mobility(1e16, Carrier::holes, e) * e_vcm, vp, vp * 1e-3) << deck;
  }
}

TEST(Mobility, ConstantModelForEveryOtherSwitchValue) {
  ScaledRun r("CONM: UMN0=800 UMP0=300;\n$");
  for (int model : {1, 0, 5}) {
    r.run.igrid.MOBMOD = model;
    EXPECT_DOUBLE_EQ(r.mobility(1e18, Carrier::electrons, 50.0, 20.0), 800) << model;
    EXPECT_DOUBLE_EQ(r.mobility(1e18, Carrier::holes, 50.0, 20.0), 300) << model;
  }
}

// A field file can leave the total doping at 0: the models give their
// N -> 0 limits instead of 0/0.
TEST(Mobility, ZeroDopingGivesTheLowDopingLimit) {
  ScaledRun lomb("$");
  // The surface-roughness term (DELN divided by E0) keeps electrons below UMAN = 1417.
  EXPECT_NEAR(lomb.mobility(0.0, Carrier::electrons), 1402.97, 0.005);
  ScaledRun yama("YAMA: RSN=0 GN=0;\n$");
  EXPECT_DOUBLE_EQ(yama.mobility(0.0, Carrier::electrons), 1400 / std::sqrt(1.0 + 350.0));
}

TEST(Recombination, EquilibriumAndRadiativeSwitch) {
  ScaledRun r("$");
  const devora::Recombination eq = devora::RECRAT(r.run, 0.0, 0.0, 1024.0, 1.0 / 1024.0, 1e6, 1.0);
  EXPECT_EQ(eq.rrad + eq.raug + eq.rsrh, 0.0);  // n p = ni^2 exactly
  EXPECT_GT(eq.F, 0.0);
  const devora::Recombination on = devora::RECRAT(r.run, 0.0, 0.0, 1e6, 1e6, 1e6, 1.0);
  r.run.recomb.RATE = 0.0;
  const devora::Recombination off = devora::RECRAT(r.run, 0.0, 0.0, 1e6, 1e6, 1e6, 1.0);
  EXPECT_GT(on.rrad, 0.0);
  EXPECT_EQ(off.rrad, 0.0);
  EXPECT_DOUBLE_EQ(off.F, on.F - on.rrad / (1e12 - 1.0));
}

TEST(Recombination, RegionLifetimesLastRegionWinsOnSharedEdge) {
  ScaledRun bulk("$");
  ScaledRun regions(
      "RCMR: XRGT=0.5 YBOT=1 TNRR=1E-6 TPRR=1E-6; RCMR: XLFT=0.5 XRGT=1 YBOT=1 TNRR=1E-8 TPRR=2E-8 }\n$");
  const double ldum = regions.run.scale.LDUM, n = 1e5, p = 1e3, ni = 1.0;
  auto region_factor = [&](double x_um, double y_um) {
    return devora::RECRAT(regions.run, x_um / ldum, y_um / ldum, n, p, 1.0, ni).F -
           devora::RECRAT(bulk.run, x_um / ldum, y_um / ldum, n, p, 1.0, ni).F;
  };
  // Mid-gap traps (ETRR = 0): 1/(tau_p (n + ni) + tau_n (p + ni)).
  auto expected = [&](double tau_n, double tau_p) {
    return regions.run.scale.LD2 / (tau_p * (n + ni) + tau_n * (p + ni));
  };
  EXPECT_NEAR(region_factor(0.25, 0.5), expected(1e-6, 1e-6), expected(1e-6, 1e-6) * 1e-6);
  EXPECT_NEAR(region_factor(0.5, 1.0), expected(1e-8, 2e-8), expected(1e-8, 2e-8) * 1e-9);
  EXPECT_NEAR(region_factor(1.0, 0.0), expected(1e-8, 2e-8), expected(1e-8, 2e-8) * 1e-9);
  EXPECT_EQ(region_factor(1.5, 0.5), 0.0);
}

}  // namespace
