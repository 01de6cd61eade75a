// Nonlinear Poisson solver: damping, a pn junction, a gate row, the quantum
// correction, quasi-Fermi potentials, and a NaN update that is not hidden.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "device/devora.hpp"
#include "device/physics/poisson.hpp"
#include "device/physics/quasi_fermi.hpp"
#include "device_deck_run.hpp"

namespace {

struct SetUpRun : DeckRun {
  explicit SetUpRun(const std::string& deck) : DeckRun(deck) { devora::set_up_device(run); }
  double vt() const { return run.scale.VT; }
  // Node at column i and the row nearest depth y (microns).
  std::size_t node(std::size_t i, double y_um) const {
    const auto& y = run.mesh.Y;
    std::size_t j = 0;
    for (std::size_t r = 0; r < y.size(); ++r)
      if (std::abs(y[r] * run.scale.LDUM - y_um) < std::abs(y[j] * run.scale.LDUM - y_um)) j = r;
    return j * run.mesh.X.size() + i;
  }
};

constexpr devora::PoissonControls kConverge{1e-9, 100, 1};

TEST(Poisson, DampingOfRawUpdates) {
  EXPECT_EQ(devora::damped_update(9.0), 9.0);
  EXPECT_DOUBLE_EQ(devora::damped_update(16.0), 12.0);
  EXPECT_DOUBLE_EQ(devora::damped_update(25.0), 15.0);
  EXPECT_DOUBLE_EQ(devora::damped_update(-16.0), -12.0);
  EXPECT_NEAR(devora::damped_update(1000.0), 18.688879, 1e-6);
}

// An abrupt 1e16/1e16 junction at 1 micron between two ohmic contacts.
std::string diode(const std::string& extra) {
  return "MESH: NX=3 NY=81 YY=2 HY0=0.01;"
         "DOPA: DOP=1E16 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1;"
         "DOPA: DOP=-1E16 XLFT=0 XRGT=1 YTOP=1 YBOT=2 IWEL=1; }"
         "OHMI: NAME='N' NUM=1 XLT=0 XRT=1;"
         "OHMI: NAME='P' NUM=2 LOC=2 XLT=0 XRT=1; }" +
         extra + "$";
}

TEST(Poisson, JunctionStepAndNeutrality) {
  for (const auto& [mode, volts] : {std::pair{"", 0.69427}, {"MODE: HVDO=0;", 0.69522}}) {
    SetUpRun d(diode(mode));
    devora::POISSON(d.run, kConverge);
    const auto& a = d.run.nodes;
    const std::size_t deep_n = d.node(1, 0.3), deep_p = d.node(1, 1.7);
    EXPECT_NEAR((a.PSI[deep_n] - a.PSI[deep_p]) * d.vt(), volts, 2e-5) << mode;
    EXPECT_NEAR(a.ELEC[deep_n] * d.run.scale.NI, 1e16, 1e16 * 1e-4);
    EXPECT_NEAR(a.HOLE[deep_p] * d.run.scale.NI, 1e16, 1e16 * 1e-4);
    EXPECT_TRUE(std::isfinite(d.run.itgum.RES));
    // Equilibrium: both quasi-Fermi potentials stay at 0.
    devora::QFERMI(d.run);
    EXPECT_NEAR(d.run.models.carrier.n.PHI[deep_n], 0.0, 1e-9);
    EXPECT_NEAR(d.run.models.carrier.p.PHI[d.node(1, 1.0)], 0.0, 1e-9);
  }
}

// p substrate under a gate with a very thin oxide: the surface follows the
// gate level VCON - (FIM - PHI0).
std::string mos(const std::string& extra) {
  return "MESH: NX=3 NY=61 YY=2 HY0=0.002;"
         "DOPA: DOP=-1E16 XLFT=0 XRGT=1 YTOP=0 YBOT=2 IWEL=1; }"
         "GATE: NAME='G' NUM=1 XLT=0 XRT=1 TOX=1E-6 FIM=4.35;"
         "OHMI: NAME='B' NUM=2 LOC=2 XLT=0 XRT=1; }" +
         extra + "$";
}

TEST(Poisson, GateRowAndQuantumCorrection) {
  SetUpRun d(mos(""));
  devora::POISSON(d.run, kConverge);
  const double gate_level = -(d.run.electab.FIM[0] - d.run.comcon.PHI0);
  EXPECT_NEAR(d.run.nodes.PSI[0], gate_level, 1e-3 * std::abs(gate_level));
  EXPECT_TRUE(std::isfinite(d.run.itgum.RES));

  // The correction lowers NIE at the gate surface only; QMDE = 0 gives no 0/0.
  SetUpRun q(mos("MODE: IQM=1; QNTM: QMDE=0;"));
  devora::POISSON(q.run, kConverge);
  const auto& nie = q.run.nodes.NIE;
  for (double v : nie) ASSERT_TRUE(std::isfinite(v) && v > 0.0);
  EXPECT_LT(nie[0], nie[q.node(0, 0.5)]);
  EXPECT_DOUBLE_EQ(nie[3], nie[q.node(0, 0.5)]);

  // A Gaussian interface charge wider than the device acts as a uniform one;
  // its width enters squared, so a negative width is the same charge.
  std::vector<std::vector<double>> psi;
  for (const char* charge : {"", "QSH=1E11", "QSG=1E11 AQS=1E6", "QSG=1E11 AQS=-1E6"}) {
    std::string deck = mos("");
    deck.replace(deck.find("FIM=4.35"), 8, std::string("FIM=4.35 TOX=0.01 ") + charge);
    SetUpRun c(deck);
    devora::POISSON(c.run, kConverge);
    psi.push_back(c.run.nodes.PSI);
  }
  EXPECT_GT(std::abs(psi[1][0] - psi[0][0]), 1e-3);  // the charge moves the surface
  for (std::size_t k = 0; k < psi[0].size(); ++k) {
    EXPECT_NEAR(psi[2][k], psi[1][k], 1e-9);
    EXPECT_EQ(psi[3][k], psi[2][k]);
  }
}

TEST(Poisson, OneStepAndNonFiniteUpdates) {
  SetUpRun d(diode(""));
  const std::vector<double> elec = d.run.nodes.ELEC;
  devora::POISSON(d.run, {1e-9, 100, 0});
  EXPECT_EQ(d.run.nodes.ELEC, elec);  // ICONT = 0: carriers untouched
  d.run.nodes.NETD[d.node(1, 0.5)] = std::numeric_limits<double>::quiet_NaN();
  devora::POISSON(d.run, kConverge);
  EXPECT_FALSE(std::isfinite(d.run.itgum.RES));  // never reported as converged
}

}  // namespace
