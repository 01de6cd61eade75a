// Devora run as a user runs it: command line, deck, console text, exit status.
#include <gtest/gtest.h>

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
