// Doping set-up: box shapes, band-gap narrowing, the equilibrium guess, oxide
// and Schottky nodes, and text profile boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/fatal_stop.hpp"
#include "device/devora.hpp"
#include "device/physics/quasi_fermi.hpp"
#include "device/setup/box_profile.hpp"
#include "device_deck_run.hpp"
#include "support.hpp"

namespace {

using testing_support::ScratchDir;
using testing_support::write_file;

// A deck read and set up to the first curve.
struct SetUpRun : DeckRun {
  explicit SetUpRun(const std::string& deck) : DeckRun(deck) { devora::set_up_device(run); }
  const devora::NodeArrays& a() const { return run.nodes; }
  double ni() const { return run.scale.NI; }
};

TEST(BoxWindow, ShapesAtOneWidthOutside) {
  // Window [0, 1] x [0, 1], fall-off widths 0.5; the point lies 0.5 right of it.
  devora::BoxShape box{1, 0.0, 1.0, 0.0, 1.0, 0.5, 0.5, 2.0, 2.0};
  const double min_width = 1e-5;
  EXPECT_EQ(devora::WINFAC(box, 1.5, 0.5, min_width), 0.0);
  EXPECT_EQ(devora::WINFAC(box, 1.0, 1.0, min_width), 1.0);  // bounds included
  box.IWEL = 2;
  EXPECT_DOUBLE_EQ(devora::WINFAC(box, 1.25, 1.25, min_width), 0.25);
  EXPECT_EQ(devora::WINFAC(box, 1.6, 0.5, min_width), 0.0);
  box.IWEL = 3;
  EXPECT_DOUBLE_EQ(devora::WINFAC(box, 1.5, 0.5, min_width), std::exp(-1.0));
  box.EXPY = 0.0;  // 0^0 = 1: the factor is below 1 even inside the window
  EXPECT_DOUBLE_EQ(devora::WINFAC(box, 0.5, 0.5, min_width), std::exp(-1.0));
  box.IWEL = 4;
  EXPECT_DOUBLE_EQ(devora::WINFAC(box, 1.5, 0.5, min_width), std::erfc(1.0));
  box.ALX = 1e-6;  // narrower than the minimum width: an abrupt edge
  EXPECT_EQ(devora::WINFAC(box, 1.0 + 1e-9, 0.5, min_width), 0.0);
}

TEST(DopingSetUp, BoxesAddUpAndGiveTheEquilibriumGuess) {
  SetUpRun n(
      "MESH: NX=3 NY=3;"
      "DOPA: DOP=2E16 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1;"
      "DOPA: DOP=-5E15 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1; } $");
  for (std::size_t k = 0; k < n.a().NETD.size(); ++k) {
    EXPECT_NEAR(n.a().NETD[k] * n.ni(), 1.5e16, 1.5e16 * 1e-14);
    EXPECT_NEAR(n.a().TOTD[k], 1.0 + 2.5e16 / n.ni(), 1e-14 * n.a().TOTD[k]);
    EXPECT_GT(n.a().PSI[k], 0.0);
    EXPECT_NEAR(n.a().ELEC[k] * n.a().HOLE[k], n.a().NIE[k] * n.a().NIE[k], 1e-12 * n.a().NIE[k] * n.a().NIE[k]);
  }
  EXPECT_EQ(n.a().ELEC0, n.a().ELEC);

  SetUpRun p("MESH: NX=2 NY=2; DOPA: DOP=-1E16 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1; } $");
  EXPECT_GT(p.a().HOLE[0], p.a().ELEC[0]);
  EXPECT_LT(p.a().PSI[0], 0.0);

  SetUpRun none("MESH: NX=2 NY=2; $");  // intrinsic
  EXPECT_EQ(none.a().NETD[0], 0.0);
  EXPECT_EQ(none.a().TOTD[0], 1.0);
  EXPECT_NEAR(none.a().ELEC[0], none.a().NIE[0], 1e-12);
  EXPECT_NEAR(none.a().PSI[0], 0.0, 1e-12);
}

TEST(DopingSetUp, BandGapNarrowing) {
  for (const auto& [doping, ratio] : {std::pair{"1E17", 1.13099}, {"1E18", 2.27077}, {"1E19", 5.01624}}) {
    const std::string box = std::string("MESH: NX=2 NY=2; DOPA: DOP=") + doping +
                            " XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1; } ";
    SetUpRun on(box + "$");
    SetUpRun off(box + "MODE: HVDO=0; $");
    EXPECT_NEAR(on.a().NIE[0] / off.a().NIE[0], ratio, 1e-5) << doping;
    EXPECT_NEAR(on.a().LNIE[0], std::log(on.a().NIE[0]), 1e-14);
  }
  // Far below room temperature the intrinsic density's square underflows, and
  // a tiny CONB makes the narrowing overflow: stops naming the values that
  // gave it, not PSI = inf.
  const auto stop = [](const std::string& deck) {
    try {
      SetUpRun r(deck);
    } catch (const sim::FatalStop& s) {
      return std::string(s.what());
    }
    return std::string("no stop");
  };
  EXPECT_EQ(stop("MESH: NX=2 NY=2; BAND: TEMP=8; $").substr(0, 32), " BAND: TEMP = 8 K, EG30 = 1.08 V");
  const std::string conb = stop("MESH: NX=2 NY=2; BAND: CONB=1E-300; $");
  EXPECT_EQ(conb.substr(0, 45), " BAND: band-gap narrowing with VOBG = 0.009 V") << conb;
  EXPECT_NE(conb.find(" CONB = 1"), std::string::npos) << conb;
}

TEST(DopingSetUp, OxideAndSchottkyNodes) {
  SetUpRun d(
      "MESH: NX=3 NY=5;"
      "DOPA: DOP=1E16 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1; }"
      "OHMI: NAME='S' NUM=1 XLT=0 XRT=0.2;"
      "SCHO: NAME='D' NUM=2 XLT=0.8 XRT=1; }"
      "OXID: XLFT=0.4 XRGT=0.6 YTOP=0 YBOT=0; } $");
  const auto& a = d.a();
  // Column 1 of the top row lies in the oxide: one carrier per cm3 of each kind.
  EXPECT_EQ(a.ELEC[1], 1.0);
  EXPECT_EQ(a.HOLE[1], 1.0);
  EXPECT_EQ(a.TOTD[1], 2.0);
  EXPECT_DOUBLE_EQ(a.NETD[1], 1.0 / d.ni());
  // The Schottky contact (column 2, no barrier given) keeps the doping
  // potential and takes its densities from it.
  EXPECT_DOUBLE_EQ(a.PSI[2], a.PSI[5]);
  EXPECT_DOUBLE_EQ(a.ELEC[2], a.NIE[2] * std::exp(a.PSI[2]));
  EXPECT_DOUBLE_EQ(a.HOLE0[2], a.NIE[2] * std::exp(-a.PSI[2]));
  // Quasi-Fermi potentials: 0 at equilibrium, and 0 in oxide without a logarithm.
  devora::QFERMI(d.run);
  EXPECT_EQ(d.run.models.carrier.n.PHI[1], 0.0);
  EXPECT_NEAR(d.run.models.carrier.p.PHI[5], 0.0, 1e-12);
}

TEST(DopingSetUp, TextProfileBox) {
  ScratchDir dir;
  write_file(dir / "prof.txt", "0.5 1e18\n0.6 1e16\n");
  SetUpRun d("MESH: NX=2 NY=11 HY0=0.1; DOPF: XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1 DFIL='" +
             (dir / "prof.txt").string() + "'; } $");
  // The profile starts at the top surface and stays at its last value below.
  EXPECT_NEAR(d.a().NETD[0] * d.ni(), 1e18, 1e18 * 1e-9);
  EXPECT_NEAR(d.a().NETD[10 * 2] * d.ni(), 1e16, 1e16 * 1e-9);
}

}  // namespace
