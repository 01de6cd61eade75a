// Continuity equations: the Bernoulli function at its branch points,
// equilibrium across large potential steps, finite currents at very large
// steps, fixed rows, the carrier switch, a resistor, implicit impact
// ionisation and the repair of non-positive densities.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "device/devora.hpp"
#include "device/physics/bernoulli.hpp"
#include "device/physics/continuity.hpp"
#include "device_deck_run.hpp"

namespace {

using devora::Carrier;
using Nodes = std::vector<double>;

// A uniform 1e16 n-type bar, 1 x 1 micron, 3 x 11 nodes, between ohmic
// contacts on the top and bottom rows; constant mobility.
struct Bar : DeckRun {
  explicit Bar(const std::string& extra = "")
      : DeckRun("MESH: NX=3 NY=11 YY=1 HY0=0.1; DOPA: DOP=1E16 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1; }"
                "OHMI: NAME='T' NUM=1 XLT=0 XRT=1; OHMI: NAME='B' NUM=2 LOC=2 XLT=0 XRT=1; } CONM: ;" +
                extra + "$") {
    devora::set_up_device(run);
  }
  static constexpr std::size_t nx = 3, nodes = 33;
  devora::NodeArrays& a = run.nodes;

  // Electron potential dropping by `dy` between rows 4 and 5 and rising by
  // `dx` between columns 0 and 1.
  static Nodes steps(double dy, double dx) {
    Nodes phi(nodes);
    for (std::size_t k = 0; k < nodes; ++k) phi[k] = 5.0 - (k / nx > 4 ? dy : 0.0) + (k % nx > 0 ? dx : 0.0);
    return phi;
  }
  // Sets PSI for the electron potential phi_n = PSI + LNIE and, when asked,
  // the equilibrium densities n = exp(phi_n), p = NIE^2/n. Returns the hole
  // potential LNIE - PSI.
  Nodes set_potential(const Nodes& phi_n, bool equilibrium) {
    Nodes phi_p(nodes);
    for (std::size_t k = 0; k < nodes; ++k) {
      a.PSI[k] = phi_n[k] - a.LNIE[k];
      phi_p[k] = a.LNIE[k] - a.PSI[k];
      if (!equilibrium) continue;
      a.ELEC[k] = std::exp(phi_n[k]);
      a.HOLE[k] = a.NIE[k] * a.NIE[k] / a.ELEC[k];
    }
    return phi_p;
  }
  // Uniform electrons n (and p = NIE^2/n) under a drop of `volts` from the
  // top to the bottom contact; returns the electron potential.
  Nodes resistor(double volts, double n) {
    Nodes phi(nodes);
    for (std::size_t k = 0; k < nodes; ++k) {
      phi[k] = -volts / run.scale.VT * run.mesh.Y[k / nx] / run.mesh.Y.back() + a.LNIE[k];
      a.ELEC[k] = n;
      a.HOLE[k] = a.NIE[k] * a.NIE[k] / n;
    }
    return phi;
  }
};

TEST(Bernoulli, BranchPoints) {
  EXPECT_EQ(devora::BERN(0.0), 1.0);
  EXPECT_EQ(devora::BERN(0.001), 1.0 - 0.0005 + 0.001 * 0.001 / 12.0);  // still the series
  EXPECT_EQ(devora::BERN(0.0011), 0.0011 / (std::exp(0.0011) - 1.0));
  EXPECT_NEAR(devora::BERN(0.0011), 1.0 - 0.00055 + 0.0011 * 0.0011 / 12.0, 1e-12);
  EXPECT_DOUBLE_EQ(devora::BERN(40.0), 40.0 / (std::exp(40.0) - 1.0));
  EXPECT_DOUBLE_EQ(devora::BERN(41.0), 41.0 / std::expm1(41.0));
  EXPECT_DOUBLE_EQ(devora::BERN(-50.0), 50.0 / (1.0 - std::exp(-50.0)));
}

TEST(Continuity, EquilibriumAcrossLargeStepsIsReproduced) {
  for (double step : {40.0, 60.0}) {
    Bar b;
    const Nodes phi_n = Bar::steps(step, 40.0);
    const Nodes phi_p = b.set_potential(phi_n, true);
    const Nodes n0 = b.a.ELEC, p0 = b.a.HOLE;
    devora::CONTEQ(b.run, Carrier::electrons, phi_n, 1e-14);
    devora::CONTEQ(b.run, Carrier::holes, phi_p, 1e-14);
    for (std::size_t k = 0; k < Bar::nodes; ++k) {
      EXPECT_NEAR(b.a.ELEC[k], n0[k], 1e-12 * n0[k]) << step << " node " << k;
      EXPECT_NEAR(b.a.HOLE[k], p0[k], 1e-12 * p0[k]) << step << " node " << k;
    }
    // No net hole current across the steps (falling along x, rising along
    // y): far below the one-sided fluxes.
    const devora::WorkArrays& w = b.run.work;
    const devora::CarrierArrays& holes = b.run.models.carrier.p;
    for (std::size_t k = 0; k < Bar::nodes; k += Bar::nx)
      EXPECT_LE(std::abs(holes.JX[k]), 1e-10 * w.MUX[k] * w.BX[k] * p0[k + 1]) << step << " node " << k;
    for (std::size_t k = 4 * Bar::nx; k < 5 * Bar::nx; ++k)
      EXPECT_LE(std::abs(holes.JY[k]), 1e-10 * w.MUY[k] * w.BY[k] * p0[k + Bar::nx]) << step << " node " << k;
  }
}

TEST(Continuity, CurrentsStayFiniteAtVeryLargeSteps) {
  for (double step : {800.0, 1500.0}) {
    Bar b;
    const Nodes phi_n = Bar::steps(step, -step);
    const Nodes phi_p = b.set_potential(phi_n, false);
    devora::CONTEQ(b.run, Carrier::electrons, phi_n, 1e-14);
    devora::CONTEQ(b.run, Carrier::holes, phi_p, 1e-14);
    for (std::size_t k = 0; k < Bar::nodes; ++k) {
      ASSERT_TRUE(std::isfinite(b.a.ELEC[k]) && std::isfinite(b.a.HOLE[k])) << step << " node " << k;
      // The parts add up to the total (a NaN in any of them fails here).
      for (const devora::CarrierArrays* c : {&b.run.models.carrier.n, &b.run.models.carrier.p}) {
        EXPECT_NEAR(c->JDIFX[k] + c->JDRX[k], c->JX[k], 1e-12 * std::abs(c->JX[k])) << step << " node " << k;
        EXPECT_NEAR(c->JDIFY[k] + c->JDRY[k], c->JY[k], 1e-12 * std::abs(c->JY[k])) << step << " node " << k;
      }
    }
  }
}

TEST(Continuity, OxideAndOhmicRowsAndASwitchedOffCarrierKeepTheirDensities) {
  Bar b("MODE: ELHL=1;");
  devora::OXIDE& ox = b.run.oxide;  // row 5 becomes oxide
  ox.NOXR = 1;
  ox.XLFT[0] = b.run.mesh.X.front();
  ox.XRGT[0] = b.run.mesh.X.back();
  ox.YTOP[0] = ox.YBOT[0] = b.run.mesh.Y[5];
  const Nodes phi_n = Bar::steps(2.0, 0.0);
  const Nodes phi_p = b.set_potential(phi_n, true);
  for (std::size_t i = 0; i < Bar::nx; ++i) {
    b.a.ELEC[5 * Bar::nx + i] = 123.0;  // oxide: any value stays
    b.a.ELEC[i] *= 2.0;                 // top contact off equilibrium
  }
  const Nodes n0 = b.a.ELEC, p0 = b.a.HOLE;
  devora::CarrierArrays& holes = b.run.models.carrier.p;
  holes.JY.assign(Bar::nodes, 7.0);
  devora::CONTEQ(b.run, Carrier::electrons, phi_n, 1e-14);
  devora::CONTEQ(b.run, Carrier::holes, phi_p, 1e-14);
  for (std::size_t top = 0; top < Bar::nx; ++top) {
    const std::size_t oxide = top + 5 * Bar::nx, bottom = top + 10 * Bar::nx;
    EXPECT_EQ(b.a.ELEC[top], n0[top]);
    EXPECT_EQ(b.a.ELEC[bottom], n0[bottom]);
    EXPECT_EQ(b.a.ELEC[oxide], 123.0);
    EXPECT_EQ(b.run.models.RSRH[oxide], 0.0);
    EXPECT_EQ(b.run.models.carrier.n.JY[oxide], 0.0);            // no conduction into the oxide
    EXPECT_NE(b.a.ELEC[top + Bar::nx], n0[top + Bar::nx]);  // the contact excess spreads
  }
  EXPECT_EQ(b.a.HOLE, p0);  // ELHL = 1: electrons only
  EXPECT_EQ(holes.JY, Nodes(Bar::nodes, 0.0));
}

// The bar as a resistor at 0.1 V carries q mu n V / L. Then, with an
// ionisation rate and weights held fixed, the density of the explicit form
// (RELG = 0) is the fixed point for any RELG: the implicit term at the
// previous density cancels the one in the matrix.
TEST(Continuity, ResistorCurrentAndImplicitIonisation) {
  Bar b;
  const double volts = 0.1, n = 1e16 / b.run.scale.NI, gown = 1000.0 * n;
  const Nodes phi = b.resistor(volts, n);
  devora::CarrierArrays& c = b.run.models.carrier.n;
  b.run.comctrl.RELG = 0.0;
  devora::CONTEQ(b.run, Carrier::electrons, phi, 1e-14);
  const double expected = b.run.scale.Q * 1000.0 * 1e16 * volts / 1e-4;  // A/cm2
  for (std::size_t k = 0; k < Bar::nodes; ++k) {
    EXPECT_NEAR(c.JY[k] * b.run.scale.J0, expected, 1e-9 * expected) << k;
    EXPECT_NEAR(c.JDRY[k], c.JY[k], 1e-9 * c.JY[k]) << k;
    EXPECT_NEAR(c.JX[k], 0.0, 1e-9 * c.JY[k]) << k;
    EXPECT_NEAR(b.a.ELEC[k], n, 1e-9 * n) << k;
  }
  c.GI.assign(Bar::nodes, gown);
  c.AIY.assign(Bar::nodes, 0.5 * gown / c.JY[Bar::nx]);  // implicit rate 2 AIY J near GOWN
  devora::CONTEQ(b.run, Carrier::electrons, phi, 1e-14);
  const Nodes explicit_density = b.a.ELEC;
  EXPECT_GT(explicit_density[5 * Bar::nx + 1], 1.001 * n);  // the generation shows
  for (double relg : {0.5, 1.0}) {
    b.a.ELEC = explicit_density;
    b.run.comctrl.RELG = relg;
    devora::CONTEQ(b.run, Carrier::electrons, phi, 1e-14);
    for (std::size_t k = 0; k < Bar::nodes; ++k)
      EXPECT_NEAR(b.a.ELEC[k], explicit_density[k], 1e-10 * n) << relg << " node " << k;
  }
}

TEST(Continuity, NonPositiveDensitiesAreRepairedAndCounted) {
  std::ostringstream out;
  Nodes a = {1.0, 0.0, -2.0}, b = {3.0, -1e-300, 4.0};
  EXPECT_EQ(devora::NEGDEN(a, b, out), 3);
  EXPECT_EQ(a, (Nodes{1.0, 1e-99, 1e-99}));
  EXPECT_EQ(b[1], 1e-99);
  EXPECT_EQ(devora::NEGDEN(a, b, out) + devora::NEGDEN1(a, out), 0);  // nothing written
  EXPECT_EQ(devora::NEGDEN1(b = {0.0}, out), 1);
  EXPECT_EQ(out.str(), " Total number of points with negative concentration            3\n"
                       " Total number of points with negative concentration            1\n");
}

}  // namespace
