// The solution driver and the bias sweep: the ramp to the start voltages,
// the I-V results of a sweep with both guesses, and whole example decks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <regex>
#include <sstream>

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

// The tables of an I-V table file in file order (per curve the I-V rows,
// then the transconductance rows), each row as the numbers it holds.
using Table = std::vector<std::vector<double>>;
std::vector<Table> iv_tables(const std::filesystem::path& file) {
  std::istringstream in(read_file(file));
  std::size_t count = 0;
  in >> count;
  std::vector<Table> tables(count);
  for (Table& table : tables) {
    std::string line;
    std::getline(in >> std::ws, line);  // title
    std::size_t columns = 0, rows = 0;
    in >> columns >> rows;
    std::getline(in, line);
    std::getline(in, line);  // column header
    for (std::size_t r = 0; r < rows && std::getline(in, line); ++r) {
      std::istringstream row(line);
      table.emplace_back(std::istream_iterator<double>(row), std::istream_iterator<double>());
    }
  }
  return tables;
}

// Millivolts per decade of the current in column i between two rows, the
// voltage in column v.
double mv_per_decade(const std::vector<double>& a, const std::vector<double>& b, std::size_t v,
                     std::size_t i) {
  return 1e3 * (b[v] - a[v]) / std::log10(b[i] / a[i]);
}

TEST(ExampleDecks, RunEndToEnd) {
  ScratchDir dir;
  for (const char* deck : {"diode.INP", "mos.INP"})
    std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / deck, dir / deck);
  const auto diode = run_program(DEVORA_EXE, "diode.INP", dir.path());
  ASSERT_EQ(diode.exit_status, 0) << diode.output;
  for (const char* file : {"diode.2D", "diode.3D", "GUMRES.2dg", "HEAT.2AS"})
    EXPECT_TRUE(std::filesystem::exists(dir / file)) << file;
  // Eight converged points; the forward current grows with every step, by
  // an ideal diode's 60 mV per decade between 0.4 and 0.6 V.
  const Table iv = iv_tables(dir / "diode.2D").at(0);  // point, status, VC, VA, IC, IA
  ASSERT_EQ(iv.size(), 8u);
  double last = 0.0;
  for (std::size_t p = 0; p < iv.size(); ++p) {
    ASSERT_EQ(iv[p].size(), 6u);
    EXPECT_EQ(iv[p][0], p + 1.0);
    EXPECT_EQ(iv[p][1], 0.0);
    EXPECT_GT(iv[p][5], last);
    last = iv[p][5];
  }
  ASSERT_DOUBLE_EQ(iv[4][3], 0.4);
  ASSERT_DOUBLE_EQ(iv[6][3], 0.6);
  const double slope = mv_per_decade(iv[4], iv[6], 3, 5);
  EXPECT_GT(slope, 57.0);
  EXPECT_LT(slope, 66.0);

  // The transistor's transfer curve at VD = 0.1 V: the subthreshold swing
  // over its first 0.4 V, and the threshold extrapolated linearly from the
  // step of largest transconductance.
  const auto transistor = run_program(DEVORA_EXE, "mos.INP", dir.path());
  ASSERT_EQ(transistor.exit_status, 0) << transistor.output;
  const std::vector<Table> tables = iv_tables(dir / "mos.2D");
  ASSERT_EQ(tables.size(), 2u);
  const Table& transfer = tables[0];  // point, status, VS, VG, VD, VB, IS, IG, ID, IB
  const Table& gm = tables[1];       // point, VG mid-step, GSG, GGG, GDG, GBG, RGG
  ASSERT_EQ(transfer.size(), 11u);
  ASSERT_EQ(gm.size(), 10u);
  ASSERT_DOUBLE_EQ(transfer[0][3], 0.0);
  ASSERT_DOUBLE_EQ(transfer[2][3], 0.4);
  const double swing = mv_per_decade(transfer[0], transfer[2], 3, 8);
  EXPECT_GT(swing, 80.0);
  EXPECT_LT(swing, 100.0);
  const auto steepest =
      std::max_element(gm.begin(), gm.end(), [](const auto& a, const auto& b) { return a[4] < b[4]; });
  const auto p = static_cast<std::size_t>((*steepest)[0]);
  const double mid_current = 0.5 * (transfer[p - 1][8] + transfer[p][8]);
  const double threshold = (*steepest)[1] - mid_current / (*steepest)[4];
  EXPECT_GT(threshold, 0.4);
  EXPECT_LT(threshold, 0.7);

  // The transistor at zero bias carries no terminal current. A narrow
  // bottom probe loses its mesh line in a regridding pass and gets one back
  // in a later pass: the run goes on.
  std::string mos = read_file(dir / "mos.INP");
  mos = std::regex_replace(mos, std::regex("NPNT=11 VSTE=0.2 V3=0.1"), "NPNT=1 VSTE=0.2");
  mos = std::regex_replace(mos, std::regex("XLT=0 XRT=2; \\}"),
                           "XLT=0 XRT=2; OHMI: NAME='Probe' NUM=5 LOC=2 XLT=0.99 XRT=1.01; }");
  testing_support::write_file(dir / "ZERO.INP", mos);
  const auto zero = run_program(DEVORA_EXE, "ZERO.INP", dir.path());
  ASSERT_EQ(zero.exit_status, 0) << zero.output;
  const std::regex currents(" Current ( [- ]0\\.\\d{3}E[-+]\\d\\d){5}\n");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(zero.output, m, currents));
  std::istringstream values(m.str().substr(9));
  for (double i; values >> i;) EXPECT_LT(std::abs(i), 1e-12);
}

// The process example's doping file as the device example's doping: the
// well junction that Tavik made conducts like a diode once Devora
// forward-biases it.
TEST(ExampleDecks, ProcessResultAsDevice) {
  ScratchDir dir;
  for (const char* deck : {"cmos_well.INP", "cmos_device.INP"})
    std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / deck, dir / deck);
  const auto process = run_program(TAVIK_EXE, "cmos_well.INP", dir.path());
  ASSERT_EQ(process.exit_status, 0) << process.output;
  const auto device = run_program(DEVORA_EXE, "cmos_device.INP", dir.path());
  ASSERT_EQ(device.exit_status, 0) << device.output;
  const Table iv = iv_tables(dir / "cmos_device.2D").at(0);  // point, status, VW, VP, VS, IW, IP, IS
  ASSERT_EQ(iv.size(), 7u);
  for (const auto& row : iv) EXPECT_EQ(row.at(1), 0.0);
  // Beyond -0.3 V the well current grows more than tenfold per 0.1 V (a
  // well of the wrong type would conduct ohmically), and it leaves through
  // the two p-side contacts.
  for (std::size_t p = 4; p < iv.size(); ++p) EXPECT_GT(iv[p][5] / iv[p - 1][5], 10.0) << iv[p][2];
  const auto& last = iv.back();
  EXPECT_DOUBLE_EQ(last[2], -0.6);
  EXPECT_LT(last[5], 0.0);
  EXPECT_NEAR(last[5] + last[6] + last[7], 0.0, 1e-6 * std::abs(last[5]));
}

}  // namespace
