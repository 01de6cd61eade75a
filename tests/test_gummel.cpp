// The Gummel iteration at one bias point: a resistor against Ohm's law, a
// diode in forward bias, the convergence ladder, the iteration limit, the
// avalanche stop, a non-finite solution, the console lines and the files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <regex>
#include <sstream>

#include "common/dop3d.hpp"
#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/devora.hpp"
#include "device/physics/mobility.hpp"
#include "device/solve/gummel.hpp"
#include "device_deck_run.hpp"
#include "support.hpp"

namespace {

using testing_support::read_file;
using testing_support::ScratchDir;

// A run set up in a scratch folder, which holds GUMRES.2dg and the solution file.
struct PointRun : ScratchRun {
  using ScratchRun::ScratchRun;

  // Ohmic contact e (0-based) at `volts`: its nodes' potential moves, their densities stay.
  void apply(std::size_t e, double volts) {
    const double v = volts / run.scale.VT;
    run.electab.VCON[e] = v;
    const auto& m = run.mesh;
    const std::size_t nx = m.X.size(), last = (m.Y.size() - 1) * nx;
    for (std::size_t i = 0; i < nx; ++i) {
      if (m.ETOP[i] == static_cast<int>(e) + 1) run.nodes.PSI[i] += v;
      if (m.EBOT[i] == static_cast<int>(e) + 1) run.nodes.PSI[last + i] += v;
    }
  }
  int iterations() const { return count("Gum iter"); }
};

// 1e16 n-type bar, 1 micron wide and long, contacts on top and bottom.
const std::string kResistor =
    "MESH: NX=3 NY=21 XX=1 YY=1 HY0=0.05; SOLV: BATC=1;"
    "DOPA: DOP=1E16 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1; }"
    "OHMI: NAME='Top' NUM=1 XLT=0 XRT=1;"
    "OHMI: NAME='Bottom' NUM=2 LOC=2 XLT=0 XRT=1; } ";

TEST(Gummel, ResistorFollowsOhmsLaw) {
  PointRun r(kResistor + "$");
  const double volts = 1e-3;
  r.apply(1, volts);
  devora::GUMMEL(r.run, 0.0);
  EXPECT_EQ(r.run.comctrl.GSTAT, 0);
  const auto& s = r.run.scale;
  const double mu = devora::MOBIL(r.run, 0.0, 0.0, r.run.nodes.TOTD[0], devora::Carrier::electrons) / s.VT;
  // I = q mu n V W ZZ / L, with W = ZZ = L = 1 micron, flowing into the
  // device at the positive contact.
  const double expected = s.Q * mu * 1e16 * volts * 1e-4;
  EXPECT_NEAR(r.run.electab.CURT[1], expected, 1e-5 * expected);
  EXPECT_NEAR(r.run.electab.CURT[0], -expected, 1e-5 * expected);
  EXPECT_EQ(r.run.itgum.RES, 100.0);  // reset for the next point
  EXPECT_EQ(r.run.itgum.IT, 0);
}

TEST(Gummel, DiodeInForwardBiasConservesCurrent) {
  PointRun r(
      "MESH: NX=3 NY=61 XX=1 YY=2 HY0=0.005; SOLV: BATC=1;"
      "DOPA: DOP=1E17 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1;"
      "DOPA: DOP=-1E16 XLFT=0 XRGT=1 YTOP=1 YBOT=2 IWEL=1; }"
      "OHMI: NAME='Cathode' NUM=1 XLT=0 XRT=1;"
      "OHMI: NAME='Anode' NUM=2 LOC=2 XLT=0 XRT=1; } $");
  r.apply(1, 0.4);
  devora::GUMMEL(r.run, 0.0);
  EXPECT_EQ(r.run.comctrl.GSTAT, 0);
  const double cathode = r.run.electab.CURT[0], anode = r.run.electab.CURT[1];
  EXPECT_GT(anode, 0.0);  // forward current into the anode
  EXPECT_LT(std::abs(cathode + anode), 1e-3 * anode);
}

TEST(Gummel, LadderLimitAndAvalancheStatuses) {
  PointRun tight(kResistor + "$");
  devora::GUMMEL(tight.run, 0.0);
  EXPECT_EQ(tight.iterations(), 9);  // TOLG = 0: the 1e-12 rung from iteration 9
  PointRun loose(kResistor + "$");
  devora::GUMMEL(loose.run, 0.5);
  EXPECT_EQ(loose.iterations(), 3);  // RES <= TOLG from iteration 3

  PointRun limit(kResistor + "SOLV: GUMM=2; $");
  devora::GUMMEL(limit.run, 0.0);
  EXPECT_EQ(limit.run.comctrl.GSTAT, 1);
  EXPECT_NE(limit.out.str().find("\nMaximum Gummel iteration number has been reached\n"), std::string::npos);
  PointRun none(kResistor + "SOLV: GUMM=0; $");  // one iteration still runs
  devora::GUMMEL(none.run, 0.0);
  EXPECT_EQ(none.iterations(), 1);
  EXPECT_EQ(none.run.comctrl.GSTAT, 1);

  PointRun avalanche(kResistor + "MODE: IMPI=1; SOLV: GUMM=1 CRBD=1E-40; $");
  avalanche.apply(1, 1e-3);
  devora::GUMMEL(avalanche.run, 0.0);
  EXPECT_EQ(avalanche.run.comctrl.GSTAT, 2);
  EXPECT_NE(avalanche.out.str().find(" Avalanche breakdown (Imax>"), std::string::npos);
}

TEST(Gummel, ConsoleLinesAndFiles) {
  PointRun r(kResistor + "$");
  r.apply(1, 1e-3);
  devora::GUMMEL(r.run, 0.0);
  const std::string o = r.out.str();
  EXPECT_EQ(o.substr(0, 25), " Gummel iteration starts\n");
  const std::regex iteration(
      "Gum iter    1 res \\d\\.\\dD[-+]\\d\\dV Current conserv \\d\\.\\dD[-+]\\d\\d Currents( [- ]\\d\\.\\d{3}E[-+]\\d\\d){2}\n");
  EXPECT_TRUE(std::regex_search(o, iteration)) << o;
  const std::regex table(
      "\n\n {9} Top        Bottom    \n Voltage      0\\.0000     0\\.0010\n Current ( [- ]0\\.\\d{3}E[-+]\\d\\d){2}\n\n$");
  EXPECT_TRUE(std::regex_search(o, table)) << o;

  const std::string history = read_file(r.dir / "GUMRES.2dg");
  EXPECT_NE(history.find("Gummel res, Imp.I and Cur vs iteration number"), std::string::npos);
  const sim::Dop3d solution = sim::read_dop3d(r.dir / "DEV.3D");
  ASSERT_EQ(solution.blocks.size(), 36u);
  EXPECT_DOUBLE_EQ(solution.blocks[0].values.back(), r.run.nodes.PSI.back() * r.run.scale.VT);
}

TEST(Gummel, NonFiniteSolutionStopsAndKeepsTheLastFile) {
  PointRun r(kResistor + "$");
  devora::GUMMEL(r.run, 0.0);
  const std::string good = read_file(r.dir / "DEV.3D");
  r.run.nodes.NETD[10] = std::numeric_limits<double>::quiet_NaN();
  try {
    devora::GUMMEL(r.run, 0.0);
    FAIL() << "a NaN solution passed";
  } catch (const sim::FatalStop& stop) {
    EXPECT_NE(std::string(stop.what()).find("not finite"), std::string::npos);
  }
  EXPECT_EQ(read_file(r.dir / "DEV.3D"), good);
  EXPECT_NE(read_file(r.dir / "GUMRES.2dg").find("Gummel res"), std::string::npos);
}

}  // namespace
