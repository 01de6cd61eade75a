// The solution driver and the bias sweep: the ramp to the start voltages,
// the I-V results of a sweep with both guesses, and whole example decks.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>

#include "common/fixed_text.hpp"
#include "device/devora.hpp"
#include "device/setup/doping.hpp"
#include "device/solve/bias_sweep.hpp"
#include "device/solve/continuation_guess.hpp"
#include "device/solve/driver.hpp"
#include "device_deck_run.hpp"
#include "support.hpp"

namespace {

using testing_support::read_file;
using testing_support::run_program;
using testing_support::ScratchDir;

// A deck set up in a scratch folder, which receives the output files.
struct SweepRun : ScratchRun {
  using ScratchRun::ScratchRun;
  void curve(std::size_t c) {
    devora::DOPSET(run);
    devora::UINIT(run, c);
    devora::CURVE(run, c);
  }
};

// 1e16 n-type bar between a top and a bottom contact.
std::string resistor(const std::string& curves) {
  return "MESH: NX=3 NY=21 HY0=0.05; SOLV: BATC=1 IGRM=1;"
         "DOPA: DOP=1E16 XLFT=0 XRGT=1 YTOP=0 YBOT=1 IWEL=1; }"
         "OHMI: NAME='Top' NUM=1 XLT=0 XRT=1;"
         "OHMI: NAME='Bottom' NUM=2 LOC=2 XLT=0 XRT=1; }"
         + curves + " } $";
}

TEST(SolutionDriver, OneRampStepPerStartedVolt) {
  for (const auto& [volts, steps] : {std::pair{"2.5", 3}, {"2.0", 2}, {"0", 1}}) {
    SweepRun r(resistor(std::string("IVDA: NUMC=2 NPNT=1 VSTE=0.1 V2=") + volts + ";"));
    r.curve(0);
    EXPECT_EQ(r.count(" Computation of initial guess \n"), steps) << volts;
    EXPECT_NEAR(r.run.electab.VCON[1] * r.run.scale.VT, std::stod(volts), 1e-12);
    EXPECT_EQ(r.count(" Regridding on zero voltage solution  \n"), 1);
  }
}

TEST(BiasSweep, ResultsOfASweepWithBothGuesses) {
  SweepRun r(resistor(
      "SOLV: CNTN=1; IVDA: NUMC=2 NPNT=3 VSTE=0.01; IVDA: NUMC=2 NPNT=3 VSTE=0.01; IVDA: NUMC=1 NPNT=3 VSTE=0;"));
  r.curve(0);
  const devora::IvResults& iv = r.run.iv;
  const double g = iv.transconductance(0, 1);
  EXPECT_GT(g, 0.0);
  EXPECT_NEAR(iv.current(1, 1) / 0.01, g, 1e-6 * g);  // linear: I/V is the conductance
  EXPECT_NEAR(iv.transconductance(0, 0), -g, 1e-6 * g);
  EXPECT_DOUBLE_EQ(iv.resistance(0), 1.0 / g);
  EXPECT_DOUBLE_EQ(iv.mean_ramp_voltage(0), 0.005);
  EXPECT_EQ(iv.transconductance(2, 1), 0.0);  // the last point of a curve has none
  EXPECT_EQ(r.count(" Computation of initial guess using continuation method\n"), 1);
  EXPECT_EQ(r.run.IVCOUNT, 3);
  EXPECT_EQ(r.count(" Computation completed \n"), 1);

  // The second curve starts at 0 V again; its regridding was done by the first.
  r.curve(1);
  EXPECT_NEAR(iv.current(4, 1), iv.current(1, 1), 1e-6 * std::abs(iv.current(1, 1)));
  EXPECT_EQ(r.count(" Regridding on zero voltage solution  \n"), 1);
  // A curve that does not step: transconductance 0, not 0/0, and the
  // extrapolated guess is the last point itself.
  r.curve(2);
  EXPECT_EQ(iv.transconductance(6, 0), 0.0);
  EXPECT_EQ(iv.resistance(6), 0.0);
  EXPECT_NEAR(iv.current(8, 0), iv.current(7, 0), 1e-15);  // both at zero bias
  EXPECT_EQ(r.run.IVCOUNT, 9);
}

TEST(ContinuationGuess, SubStepsFloatingGatesAndFrozenCarriers) {
  // An increment above 5100 V is split, and the contacts still advance by it once.
  SweepRun r(resistor("MODE: ELHL=1; IVDA: NUMC=2 NPNT=1 VSTE=0.1; "));
  std::vector<double> dv{0.0, 6000.0 / r.run.scale.VT};
  devora::CONTGUESS(r.run, dv);
  EXPECT_NEAR(r.run.electab.VCON[1] * r.run.scale.VT, 6000.0, 1e-9);
  const std::size_t bottom = r.run.nodes.PSI.size() - 1;
  EXPECT_NEAR(r.run.nodes.PSI[bottom] - r.run.nodes.PSI[0], dv[1], 1e-6 * dv[1]);
  // With only electrons solved, the holes follow the potential down to the floor.
  EXPECT_EQ(r.run.nodes.HOLE[bottom], 1e-300);

  // Gates alone fix no potential: nothing is solved, the voltages still advance.
  SweepRun g("MESH: NX=3 NY=5; SOLV: BATC=1; GATE: NAME='G' NUM=1 XLT=0 XRT=1 TOX=0.01 FIM=4.2; } $");
  const std::vector<double> psi = g.run.nodes.PSI;
  devora::CONTGUESS(g.run, std::vector<double>{1.0});
  EXPECT_EQ(g.run.nodes.PSI, psi);
  EXPECT_EQ(g.run.electab.VCON[0], 1.0);
}

TEST(ExampleDecks, RunEndToEnd) {
  ScratchDir dir;
  for (const char* deck : {"diode.INP", "mos.INP"})
    std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / deck, dir / deck);
  const auto diode = run_program(DEVORA_EXE, "diode.INP", dir.path());
  ASSERT_EQ(diode.exit_status, 0) << diode.output;
  for (const char* file : {"diode.2D", "diode.3D", "GUMRES.2dg", "HEAT.2AS"})
    EXPECT_TRUE(std::filesystem::exists(dir / file)) << file;
  // Eight converged points; the forward current grows with every step.
  std::istringstream table(read_file(dir / "diode.2D"));
  std::string line;
  for (int skip = 0; skip < 4; ++skip) std::getline(table, line);  // count, title, sizes, header
  double last = 0.0;
  for (int p = 1; p <= 8; ++p) {
    std::getline(table, line);
    std::istringstream row(line);
    int point = 0, status = -1;
    double vc, va, ic, anode;
    row >> point >> status >> vc >> va >> ic >> anode;
    EXPECT_EQ(point, p);
    EXPECT_EQ(status, 0);
    EXPECT_GT(anode, last);
    last = anode;
  }

  // The transistor at zero bias carries no terminal current.
  std::string mos = read_file(dir / "mos.INP");
  mos = std::regex_replace(mos, std::regex("NPNT=11 VSTE=0.2 V3=0.1"), "NPNT=1 VSTE=0.2");
  testing_support::write_file(dir / "ZERO.INP", mos);
  const auto zero = run_program(DEVORA_EXE, "ZERO.INP", dir.path());
  ASSERT_EQ(zero.exit_status, 0) << zero.output;
  const std::regex currents(" Current ( [- ]0\\.\\d{3}E[-+]\\d\\d){4}\n");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(zero.output, m, currents));
  std::istringstream values(m.str().substr(9));
  for (double i; values >> i;) EXPECT_LT(std::abs(i), 1e-12);
}

}  // namespace
