// Material constants and the conversion of the deck values to internal units.
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/fatal_stop.hpp"
#include "device/setup/scaling.hpp"
#include "device_deck_run.hpp"

namespace {

constexpr double kRel = 1e-14;

TEST(DeviceScaling, DefaultDeckScales) {
  DeckRun d("$");
  devora::SCALSET(d.run);
  const devora::SCALE& s = d.run.scale;
  EXPECT_NEAR(s.NI, 1.4459194771878805e10, 1.4459194771878805e10 * kRel);
  EXPECT_EQ(s.VT, 0.025851);
  EXPECT_NEAR(s.LD, 3.414649509619915e-3, 3.414649509619915e-3 * kRel);
  EXPECT_NEAR(s.E0, 7.570615937937793, 7.570615937937793 * kRel);
  EXPECT_NEAR(s.J0, 6.783603986087636e-7, 6.783603986087636e-7 * kRel);
  EXPECT_NEAR(s.I0, 2.3163630024549846e-13, 2.3163630024549846e-13 * kRel);  // ZZ = 1 micron, unscaled
  EXPECT_DOUBLE_EQ(d.run.comcon.EG, 1.08 / 0.025851);  // the 300 K gap
  EXPECT_DOUBLE_EQ(d.run.geom.XX, 1.0 / s.LDUM);
  EXPECT_EQ(d.run.complt.ANSWER, 'Y');
  // The conversions are not idempotent: a second pass is refused.
  EXPECT_THROW(devora::SCALSET(d.run), std::logic_error);
}

TEST(DeviceScaling, TemperatureChangesVtAndGapButNotNi) {
  DeckRun d("BAND: TEMP=350; SOLV: BATC=1; $");
  devora::SCALSET(d.run);
  EXPECT_NEAR(d.run.scale.VT, 0.0301595, 1e-15);
  EXPECT_NEAR(d.run.scale.NI, 1.4459194771878805e10, 1e-4);
  EXPECT_EQ(d.run.complt.ANSWER, 'N');
  for (const char* bad : {"BAND: TEMP=0; $", "BAND: CONB=0; $", "BAND: EGBE=-300; $", "SRH: TAUN=0 TAUP=0; $",
                          "SRH: TAUP=-1E-7; $", "RCMR: XRGT=1 TNRR=0 TPRR=0; } $", "PERM: EPSS=1E-300; $"}) {
    DeckRun b(bad);
    EXPECT_THROW(devora::SCALSET(b.run), sim::FatalStop) << bad;
  }
  // One lifetime of 0 leaves the SRH factor finite: instant capture of that carrier.
  for (const char* good : {"SRH: TAUN=0; $", "RCMR: XRGT=1 TPRR=0; } $"}) {
    DeckRun g(good);
    EXPECT_NO_THROW(devora::SCALSET(g.run)) << good;
  }
}

TEST(DeviceScaling, ElectrodesAndOxideCharges) {
  DeckRun d(
      "SCHO: NAME='S' NUM=1 XLT=0 XRT=0.5 DUMMY3=7 FIB=4.7;"
      "GATE: NAME='G' NUM=2 XLT=0.5 XRT=1 TOX=0.02 QSG=1E11 FIM=4.35;"
      "GATE: NAME='H' NUM=3 XLT=0.5 XRT=1 TOX=0.02; }"
      "OXID: XLFT=0 XRGT=1 YTOP=-0.02 YBOT=0 QOXT=1E11; } $");
  devora::SCALSET(d.run);
  const devora::SCALE& s = d.run.scale;
  const devora::ELECTAB& e = d.run.electab;
  EXPECT_EQ(e.COX[0], 0.0);  // not a gate, whatever the deck says
  EXPECT_EQ(e.AQS[0], 1.0);  // a Schottky item's DUMMY3 lands in AQS
  EXPECT_DOUBLE_EQ(e.COX[1], s.EPSD / (0.02 / s.LDUM));
  EXPECT_DOUBLE_EQ(e.QSG[1], 1e11 / s.QS0);
  EXPECT_DOUBLE_EQ(e.FIM[1], 4.35 / s.VT);
  // A gate without FIM has work function 0: the WORK statement's FIM is not its default.
  EXPECT_EQ(e.FIM[2], 0.0);
  EXPECT_DOUBLE_EQ(d.run.comcon.FIM, static_cast<double>(4.35f) / s.VT);
  // Oxide side charges are divided by the surface-charge scale only.
  EXPECT_DOUBLE_EQ(d.run.oxide.QOXT[0], 1e11 / s.QS0);
  EXPECT_DOUBLE_EQ(d.run.oxide.YTOP[0], -0.02 / s.LDUM);
}

}  // namespace
