// Band-to-band tunnelling and impact-ionisation generation on a small mesh,
// checked in physical units against the default parameter sets.
#include <gtest/gtest.h>

#include <vector>

#include "common/fatal_stop.hpp"
#include "device/physics/impact_ionisation.hpp"
#include "device/physics/tunnelling.hpp"
#include "device/setup/scaling.hpp"
#include "device_deck_run.hpp"

namespace {

// A 4 x 4 intrinsic device set up from the deck, with gradient work arrays.
// Node 5 is interior (column 1, row 1).
struct GenerationRun : DeckRun {
  explicit GenerationRun(const std::string& extra) : DeckRun("MESH: NX=4 NY=4; " + extra + " $") {
    devora::set_up_device(run);
  }
  // Potential falling along x: a uniform field of `field` V/cm; current `jx` along x.
  void drive(double field, double jx) {
    for (std::size_t n = 0; n < 16; ++n) run.nodes.PSI[n] = -field / run.scale.E0 * run.mesh.X[n % 4];
    for (devora::CarrierArrays* c : {&run.models.carrier.n, &run.models.carrier.p}) c->JX.assign(16, jx);
  }
  std::vector<double> gx = std::vector<double>(16), gy = std::vector<double>(16);
};

TEST(ImpactIonisation, CoefficientsAlongTheCurrent) {
  GenerationRun d("");
  const auto& c = d.run.models.carrier;
  const double fields[] = {2e5, 3e5, 5e5, 1e6};
  const double alpha_n[] = {638.3, 6582, 4.257e4, 1.726e5};
  const double alpha_p[] = {37.63, 1226, 1.989e4, 1.085e5};
  for (int f = 0; f < 4; ++f) {
    d.drive(fields[f], 1.0);
    devora::IMPION(d.run, d.gx, d.gy);
    EXPECT_NEAR(c.n.GI[5] / d.run.scale.LD, alpha_n[f], alpha_n[f] * 5e-4);
    EXPECT_NEAR(c.p.GI[5] / d.run.scale.LD, alpha_p[f], alpha_p[f] * 5e-4);
    EXPECT_DOUBLE_EQ(c.n.AIX[5], c.n.GI[5] / 2);
    EXPECT_EQ(c.n.GI[4], 1e-200);  // border column: no current along x
  }
}

TEST(ImpactIonisation, RangesAreTestedInTheirOwnOrder) {
  devora::AVLN avln;  // default breakpoints; the pair index goes into A
  for (devora::IonisationSet* s : {&avln.n, &avln.p}) *s = {0, 1, 2, 3, s->E0, s->E1, s->E2, 0, 0, 0, 0};
  const double fields[] = {0.0, 3.99e5, 4e5, 6e5, -1.0}, pairs[] = {1, 1, 2, 3, 0};
  for (int t = 0; t < 5; ++t) EXPECT_EQ(devora::IONRNGN(avln, fields[t]).A, pairs[t]) << fields[t];
  EXPECT_EQ(devora::IONRNGP(avln, 6.0e5).A, 1);
  EXPECT_EQ(devora::IONRNGP(avln, 6.07e5).A, 3);  // EP1 = EP2: the second range is empty
  avln.n.E0 = 5, avln.n.E1 = 3, avln.n.E2 = 10;    // out of order: [E1, E2) wins over "below E2"
  EXPECT_EQ(devora::IONRNGN(avln, 4.0).A, 2);
  EXPECT_EQ(devora::IONRNGN(avln, 1.0).A, 0);
}

TEST(ImpactIonisation, OxideNodesAndTheMeanRate) {
  GenerationRun d("");
  const auto& m = d.run.models;
  devora::OXIDE& ox = d.run.oxide;  // one oxide node: column 1, row 2
  ox.NOXR = 1;
  ox.XLFT[0] = ox.XRGT[0] = d.run.mesh.X[1];
  ox.YTOP[0] = ox.YBOT[0] = d.run.mesh.Y[2];
  d.drive(3e5, 1.0);
  const double gmean = devora::IMPION(d.run, d.gx, d.gy);
  EXPECT_NEAR(m.carrier.n.GI[9], m.carrier.n.GI[10], 1e-12 * m.GII[10]);  // the oxide node keeps its rate
  EXPECT_EQ(m.GII[9], 0.0);                                               // but adds nothing
  EXPECT_EQ(m.GII[10], m.carrier.n.GI[10] + m.carrier.p.GI[10]);
  EXPECT_NEAR(gmean, m.GII[10], m.GII[10] * 1e-8);  // every node above GMIN has this rate
  d.drive(3e5, 0.0);
  EXPECT_EQ(devora::IMPION(d.run, d.gx, d.gy), 0.0);
}

TEST(Tunnelling, LocalModelAtOneMegavoltPerCm) {
  GenerationRun d("MODE: BBTL=1;");
  d.drive(1e6, 0.0);
  devora::BBTGEN(d.run, d.gx, d.gy);
  for (std::size_t n = 0; n < 16; ++n) {
    EXPECT_NEAR(d.run.models.GBB[n] * d.run.scale.G0, 3.631e22, 3.631e22 * 2e-4);
    EXPECT_EQ(d.run.models.CBB[n], 0.0);
  }
}

TEST(Tunnelling, PhononAssistedBranchesAndTheOffSwitch) {
  GenerationRun d("MODE: BBTL=2;");
  auto& m = d.run.models;
  d.drive(1e6, 0.0);
  devora::BBTGEN(d.run, d.gx, d.gy);  // intrinsic: n p = ni^2
  EXPECT_EQ(m.GBB[5], 0.0);
  EXPECT_GT(m.CBB[5], 0.0);
  const double equilibrium = m.CBB[5];
  auto at_densities = [&](double factor) {
    devora::NodeArrays& a = d.run.nodes;
    for (std::size_t n = 0; n < 16; ++n) a.ELEC[n] = a.HOLE[n] = factor * a.NIE[n];
    devora::BBTGEN(d.run, d.gx, d.gy);
  };
  at_densities(0.1);  // depleted: net generation through the generation branch
  EXPECT_GT(m.GBB[5], 0.0);
  EXPECT_LT(m.CBB[5], equilibrium);
  at_densities(10.0);  // flooded: net recombination, the branch of equilibrium
  EXPECT_LT(m.GBB[5], 0.0);
  EXPECT_EQ(m.CBB[5], equilibrium);

  d.run.igrid.BBTL = 0;
  m.GBB.assign(16, 7.0);
  devora::BBTGEN(d.run, d.gx, d.gy);
  EXPECT_EQ(m.GBB, std::vector<double>(16, 7.0));
}

TEST(GenerationSetUp, ParametersThatWouldGiveInfiniteRatesAreRefused) {
  auto stop = [](const std::string& deck) -> std::string {
    DeckRun d(deck + " $");
    try {
      devora::SCALSET(d.run);
    } catch (const sim::FatalStop& s) {
      return s.what();
    }
    return "";
  };
  const std::string ephs = " BBTL: EPHS must lie between 0 and the band gap with MODE BBTL = 2";
  for (const char* e : {"0", "-0.01", "1.08"})  // 1.08: the gap at 300 K
    EXPECT_EQ(stop(std::string("MODE: BBTL=2; BBTL: EPHS=") + e + ";"), ephs) << e;
  EXPECT_EQ(stop("MODE: BBTL=2; BBTL: BBES=0;"), " BBTL: BBES must be > 0 with MODE BBTL = 2");
  for (const char* mode : {"MODE: BBTL=3;", "MODE: BBTL=-1;"})
    EXPECT_EQ(stop(mode), " MODE: BBTL must be 0, 1 or 2");
  EXPECT_EQ(stop("MODE: BBTL=1; BBTL: BBE=-1E7;"), " BBTL: BBE must be >= 0 with MODE BBTL = 1");
  EXPECT_EQ(stop("MODE: IMPI=1; IONE: BN2=-1E6;"),
            " IONE: critical fields BN0..BN3 and BP0..BP3 must be >= 0 with MODE IMPI on");
  EXPECT_EQ(stop("MODE: BBTL=1; BBTL: EPHS=0; IONE: BN2=-1E6;"), "");  // only the models in use
}

}  // namespace
