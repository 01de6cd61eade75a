// Devora run as a user runs it: command line, deck, console text, exit status.
#include <gtest/gtest.h>

#include "common/dop3d.hpp"
#include "device/setup/arrays.hpp"
#include "support.hpp"

namespace {

using testing_support::run_program;
using testing_support::ScratchDir;
using testing_support::write_file;

const std::string kBannerAndBlank = " Devora - two-dimensional device simulator, version 1.0\n\n";

TEST(DevoraRun, DeckOfOnlyDollarEndsNormally) {
  ScratchDir dir;
  write_file(dir / "DEV.INP", "$\n");
  const auto r = run_program(DEVORA_EXE, "DEV.INP", dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, kBannerAndBlank);
}

TEST(DevoraRun, DeckNamesAndExtensions) {
  ScratchDir dir;
  write_file(dir / "DEV.INP", "BAND= TEMP=350;\n; }\nSOLV: COMM='batch run' BATC=1;\n$\n");
  EXPECT_EQ(run_program(DEVORA_EXE, "DEV.inp", dir.path()).exit_status, 0);  // opened as DEV.INP
  EXPECT_EQ(run_program(DEVORA_EXE, "./DEV.INP", dir.path()).exit_status, 0);
  const std::string refused = " Input file extension must be *.INP     \n";
  for (const std::string name : {"DEV.Inp", "DEV", "DEV.INPUT", "DEV.inpx", "", "a.b/DEV"}) {
    const auto r = run_program(DEVORA_EXE, "'" + name + "'", dir.path());
    EXPECT_EQ(r.exit_status, 1) << name;
    EXPECT_EQ(r.output, refused) << name;
  }
  const auto too_long = run_program(DEVORA_EXE, std::string(78, 'a') + ".INP", dir.path());
  EXPECT_EQ(too_long.exit_status, 1);
  EXPECT_EQ(too_long.output, " Input file name exceeds 80 characters  \n");
}

TEST(DevoraRun, LowerCaseDeckIsFoundAndMissingDeckIsAClearStop) {
  ScratchDir dir;
  write_file(dir / "low.inp", "$\n");
  EXPECT_EQ(run_program(DEVORA_EXE, "low.inp", dir.path()).exit_status, 0);
  const auto missing = run_program(DEVORA_EXE, "NONE.INP", dir.path());
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_NE(missing.output.find("NONE.INP"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "NONE.INP"));  // nothing created
}

TEST(DevoraRun, DeckErrorsStopWithTheirMessages) {
  ScratchDir dir;
  struct Case {
    std::string deck, output;
  };
  const std::vector<Case> cases = {
      {"BANDX: TEMP=1;\n$\n", "Keyword BANDX  is not recognised\n"},
      {"BAND: TEMX=1;\n$\n", "Keyword TEMX   is not recognised\n"},
      {"BAND: TEMP=1x;\n$\n", " Error read value TEMP   Directive BAND  \n"},
      {"BAND: TEMP=1;\n", " End of file has been read before $, press <Enter> to continue\n"},
      {"COMM: METH='abc;\n$\n",
       " Missing ' or text length exceeds 80 characters Parameter METH   Directive COMM  \n"},
  };
  for (const auto& c : cases) {
    write_file(dir / "ERR.INP", c.deck);
    const auto r = run_program(DEVORA_EXE, "ERR.INP", dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.deck;
    EXPECT_EQ(r.output, kBannerAndBlank + c.output) << c.deck;
  }
}

TEST(DevoraRun, DollarInsideAStatementEndsTheDeck) {
  ScratchDir dir;
  write_file(dir / "END.INP", "BAND: TEMP=300 $ this is never read");
  EXPECT_EQ(run_program(DEVORA_EXE, "END.INP", dir.path()).exit_status, 0);
}

TEST(DevoraRun, BundledExampleReads) {
  ScratchDir dir;
  std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / "diode.INP", dir / "diode.INP");
  const auto r = run_program(DEVORA_EXE, "diode.INP", dir.path());
  EXPECT_EQ(r.exit_status, 0) << r.output;
}

// Decks that cannot give finite numbers: each stops with exit 1 and a
// message naming the cause, and the solution file of the last good run
// stays as it was, with no temporary file beside it.
TEST(DevoraRun, UnsolvableDecksKeepTheLastGoodSolutionFile) {
  ScratchDir dir;
  const std::string diode = testing_support::read_file(std::filesystem::path(EXAMPLES_DIR) / "diode.INP");
  write_file(dir / "diode.INP", diode);
  ASSERT_EQ(run_program(DEVORA_EXE, "diode.INP", dir.path()).exit_status, 0);
  const std::string good = testing_support::read_file(dir / "diode.3D");

  write_file(dir / "big.PRF", "0 1e19\n0.5 1e308\n");
  sim::Dop3d field;
  field.x = {0.0, 1.0};
  field.y = {0.0, 4.0};
  for (const double donor : {0.0, 0.0, 1e300, 0.0}) field.blocks.push_back({"", {}, "TTTT", {donor, 1, 1, 1}});
  write_file(dir / "field.3D", sim::encode_dop3d(field));

  const std::string n_layer = "DOPA: DOP=1E19 XLFT=0 XRGT=1 YTOP=0 YBOT=0.5 ALY=0.05 COMM='n+ layer'; }";
  const std::string anode = "OHMI: NAME='Anode' NUM=2 LOC=2 XLT=0 XRT=1; }";
  struct Change {
    std::string from, to, message;
  };
  const Change changes[] = {
      {"TEMP=300", "TEMP=10", " BAND: TEMP = 10 K, EG30 = 1.08 V"},
      {"DOP=1E19", "DOP=1E200", " Doping boxes: the net doping sums to 1e+200 cm-3"},
      {"DOP=1E19", "DOP=1E308", " Doping boxes: the net doping sums to 1e+308 cm-3"},
      {"XX=1.0", "XX=1E-300", " Mesh: x lines 1 and 2 are 1e-301 microns apart"},
      {anode, "OHMI: NAME='Anode' NUM=2 LOC=2 XLT=0 XRT=1; GATE: NAME='G' NUM=3 XLT=0.5 XRT=1 TOX=0.02 FIM=1E300; }",
       " Zero-voltage Poisson solution: the potential is not finite"},
      {n_layer, "DOPF: XLFT=0 XRGT=1 YTOP=0 YBOT=0.5 DFIL='big.PRF'; }", " Check ASCII doping file big.PRF"},
      {n_layer, "}\nDOPN: FILE='field.3D';", " Check input doping file field.3D"},
  };
  for (const Change& c : changes) {
    std::string deck = diode;
    deck.replace(deck.find(c.from), c.from.size(), c.to);
    write_file(dir / "diode.INP", deck);
    const auto r = run_program(DEVORA_EXE, "diode.INP", dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.to;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
    EXPECT_EQ(testing_support::read_file(dir / "diode.3D"), good) << c.to;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST(DeviceArrays, SolverIterationLimit) {
  EXPECT_EQ(devora::solver_iteration_limit(120), 1000);
  EXPECT_EQ(devora::solver_iteration_limit(4000), 1000);
  EXPECT_EQ(devora::solver_iteration_limit(9000), 1500);
  EXPECT_EQ(devora::solver_iteration_limit(16000), 2000);
}

TEST(DeviceArrays, FillRoutinesStopAtTheirLength) {
  std::vector<double> a(4, 1.0);
  devora::DFILL(a, 2.0, 3);
  EXPECT_EQ(a, (std::vector<double>{2, 2, 2, 1}));
  devora::DFILL(a, 5.0, 0);
  EXPECT_EQ(a[0], 2.0);
  std::vector<int> b(2, 1);
  devora::IFILL(b, 0, -1);
  EXPECT_EQ(b, (std::vector<int>{1, 1}));
}

}  // namespace
