// Tavik run as a user runs it: command line, deck, console text, doping
// file, exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/fixed_text.hpp"
#include "support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::run_program;
using testing_support::ScratchDir;
using testing_support::write_file;

const std::string kBannerAndBlank = " Tavik - two-dimensional process simulator, version 1.0\n\n";
const std::string kSmallMesh = "MESH: NX=5 NY=5 XX=1 YY=2;\n";
const std::string kOneStep = kSmallMesh + "SUBS: BO=1e15;\nANNE: TC=2 TM=10;\n$\n";

TEST(TavikRun, DeckOfOnlyDollarEndsNormallyAndWritesNothing) {
  ScratchDir dir;
  write_file(dir / "RUN.INP", "$\n");
  const auto r = run_program(TAVIK_EXE, "RUN.INP", dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, kBannerAndBlank);
  EXPECT_FALSE(fs::exists(dir / "RUN.3D"));
}

TEST(TavikRun, MissingDeckStopsBeforeTheBannerAndCreatesNothing) {
  ScratchDir dir;
  const auto r = run_program(TAVIK_EXE, "NONE.INP", dir.path());
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, "\n\n Check input file " + sim::fixed("NONE.INP", 80) + "\n\n");
  EXPECT_TRUE(fs::is_empty(dir.path()));
  const auto no_name = run_program(TAVIK_EXE, "", dir.path());
  EXPECT_EQ(no_name.exit_status, 1);
  EXPECT_EQ(no_name.output, "\n\n Check input file " + std::string(80, ' ') + "\n\n");
  fs::create_directory(dir / "DECK.INP");
  EXPECT_EQ(run_program(TAVIK_EXE, "DECK.INP", dir.path()).exit_status, 1);
}

TEST(TavikRun, ExtensionsAcceptedAndRefused) {
  ScratchDir dir;
  for (const std::string name : {"RUN.INP", "run.inp", "RUN"}) {
    write_file(dir / name, kOneStep);
    const auto r = run_program(TAVIK_EXE, name, dir.path());
    EXPECT_EQ(r.exit_status, 0) << name << r.output;
  }
  EXPECT_TRUE(fs::exists(dir / "RUN.3D"));
  EXPECT_TRUE(fs::exists(dir / "run.3D"));
  for (const std::string name : {"RUN.Inp", "RUN.DAT"}) {
    write_file(dir / name, kOneStep);
    const auto r = run_program(TAVIK_EXE, name, dir.path());
    EXPECT_EQ(r.exit_status, 1) << name;
    EXPECT_EQ(r.output, kBannerAndBlank + " Input file extension must be *.INP     \n") << name;
  }
}

TEST(TavikRun, RelativeAndDottedDirectoriesKeepTheDopingFileBesideTheDeck) {
  ScratchDir dir;
  fs::create_directories(dir / "my.dir" / "sub");
  fs::create_directories(dir / "decks");
  write_file(dir / "my.dir" / "sub" / "run.INP", kOneStep);
  write_file(dir / "decks" / "up.INP", kOneStep);
  write_file(dir / "here.INP", kOneStep);
  EXPECT_EQ(run_program(TAVIK_EXE, "my.dir/sub/run.INP", dir.path()).exit_status, 0);
  EXPECT_TRUE(fs::exists(dir / "my.dir" / "sub" / "run.3D"));
  EXPECT_EQ(run_program(TAVIK_EXE, "../decks/up.INP", dir / "my.dir").exit_status, 0);
  EXPECT_TRUE(fs::exists(dir / "decks" / "up.3D"));
  EXPECT_EQ(run_program(TAVIK_EXE, "./here.INP", dir.path()).exit_status, 0);
  EXPECT_TRUE(fs::exists(dir / "here.3D"));
  const std::string absolute = (dir / "my.dir" / "sub" / "run.INP").string();
  if (absolute.size() <= 76) {
    fs::remove(dir / "my.dir" / "sub" / "run.3D");
    EXPECT_EQ(run_program(TAVIK_EXE, absolute, dir.path()).exit_status, 0);
    EXPECT_TRUE(fs::exists(dir / "my.dir" / "sub" / "run.3D"));
  }
}

TEST(TavikRun, OverlongNameStopsAfterTheBanner) {
  ScratchDir dir;
  const std::string name = std::string(78, 'a') + ".INP";
  write_file(dir / name, "$\n");
  const auto r = run_program(TAVIK_EXE, name, dir.path());
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, kBannerAndBlank + " Input file name exceeds 80 characters  \n");
}

TEST(TavikRun, DeckErrorsStopWithTheirMessages) {
  ScratchDir dir;
  struct Case {
    std::string deck, output;
  };
  const std::vector<Case> cases = {
      {"BANX: CINT=1;\n$\n", "Keyword BANX is not recognised Press <Enter> to continue\n"},
      {"XYZW: CINT=1;\n$\n", "Keyword XYZW is not recognised Press <Enter> to continue\n"},
      {"BAND: CINX=1;\n$\n", "Keyword CINX   is not recognised Press <Enter> to continue\n"},
      {"BAND: CINT=1x;\n$\n", " Error read value CINT   Directive BAND  \n"},
      {"BAND: CINT=1;\n", " End of file has been read before $\n"},
      {"SUBS: BO=1e15;\n$\n", " MESH statement must come before SUBS\n"},
      {"PHIMPLANT: DZ=1e13;\n$\n", " MESH statement must come before PHIM\n"},
      {"MESH: NX=1 NY=5 XX=1 YY=1;\n$\n",
       " Mesh needs at least 2 lines along x and along y\n"},
      {"MESH: NX=5 NY=1.9 XX=1 YY=1;\n$\n",
       " Mesh needs at least 2 lines along x and along y\n"},
      {kSmallMesh + kSmallMesh + "$\n", " Number of nodes is too large, not enough memory\n"},
      {kSmallMesh + "OXID: TC=1000 TM=60 OX=1;\n$\n",
       "Oxidation: " + std::string(60, ' ') + "\n Oxidation needs an oxidant pressure POX > 0\n"},
      {kSmallMesh + "ANNE: TC=1000 TM=60;\n$\n",
       "Inert annealing: " + std::string(60, ' ') +
           "\n Thermal step needs a first time step TAU > 0\n"},
  };
  for (const auto& c : cases) {
    write_file(dir / "ERR.INP", c.deck);
    const auto r = run_program(TAVIK_EXE, "ERR.INP", dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.deck;
    EXPECT_EQ(r.output, kBannerAndBlank + c.output) << c.deck;
  }
  // BANDX matches BAND on its first 4 characters.
  write_file(dir / "LONG.INP", "BANDX: CINT=1;\n$\n");
  EXPECT_EQ(run_program(TAVIK_EXE, "LONG.INP", dir.path()).exit_status, 0);
}

// A step whose numbers leave the range of 4-byte reals stops the run at
// once, in its first time step, with a message naming the step; the doping
// file of the last sound step stays as it was.
TEST(TavikRun, NonFiniteStepStopsAndKeepsTheLastDopingFile) {
  ScratchDir dir;
  const std::string sound_step = "SUBS: BO=1e15;\nANNE: TC=2 TM=10;\n";
  const std::string not_rewritten = " is no longer a finite number; the doping file is not rewritten\n";
  struct Case {
    std::string mesh, step, message;
  };
  const std::vector<Case> cases = {
      {kSmallMesh, "SUBS: PH=1e30;\nANNE: TC=1000 TM=60 TAU=1;\n",
       " Inert annealing step (ANNE): a concentration" + not_rewritten},
      {"MESH: NX=3 NY=3 XX=1 YY=1e-38;\n", "OXID: TC=1000 TM=60 TAU=1 OX=1 POX=1;\n",
       " Oxidation step (OXID): a concentration" + not_rewritten},
      {kSmallMesh, "OXID: TC=1000 TM=60 TAU=1 OX=1 POX=1 U0=3e38;\n",
       " Oxidation step (OXID): an oxide thickness" + not_rewritten},
      // Finite in units of 1e20 cm-3, beyond the range once in cm-3.
      {kSmallMesh, "SUBS: PH=3e38 AS=3e38;\nANNE: TC=2 TM=10;\n",
       " Inert annealing step (ANNE): a concentration" + not_rewritten},
  };
  for (const auto& c : cases) {
    write_file(dir / "GOOD.INP", c.mesh + sound_step + "$\n");
    ASSERT_EQ(run_program(TAVIK_EXE, "GOOD.INP", dir.path()).exit_status, 0);
    write_file(dir / "BAD.INP", c.mesh + sound_step + c.step + "$\n");
    const auto r = run_program(TAVIK_EXE, "BAD.INP", dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.step;
    EXPECT_TRUE(r.output.ends_with(c.message)) << r.output;
    EXPECT_EQ(r.output.find("Time step    2"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Inf"), std::string::npos) << r.output;
    EXPECT_EQ(testing_support::read_file(dir / "BAD.3D"),
              testing_support::read_file(dir / "GOOD.3D"))
        << c.step;
  }
}

TEST(TavikRun, EveryProcessStepPrintsItsTitleAndRewritesTheDopingFile) {
  ScratchDir dir;
  write_file(dir / "STEPS.INP",
             "COMMENT: METH='test' PROJ='steps';\n" + kSmallMesh +
                 "SUBS: BO=1e15;\n"
                 "PHIM: DZ=1e13 EN=50 COMM='n well';\n"
                 "BOIM: DZ=1e13 EN=30;\nASIM: DZ=1e15 EN=80;\n"
                 "PHDE: CS=1e19;\nBODE: CS=1e19;\nASDE: CS=1e19;\n"
                 "OXIDATION: TC=2 TM=10 OX=0;\nANNEAL: TC=2 TM=10;\nEPITAXY: TH=0;\n"
                 "RILE:;\nSOLVER: IB=0;\nANNE: COMM='last';\n$\n");
  const auto r = run_program(TAVIK_EXE, "STEPS.INP", dir.path());
  EXPECT_EQ(r.exit_status, 0);
  const std::string blank60(60, ' ');
  const std::string expected =
      kBannerAndBlank + "Phosphorus implant: " + sim::fixed("n well", 60) + "\n" +
      "Boron implant: " + blank60 + "\n" + "Arsenic implant: " + blank60 + "\n" +
      "Phosphorus deposition: " + blank60 + "\n" + "Boron deposition: " + blank60 + "\n" +
      "Arsenic deposition: " + blank60 + "\n" + "Oxidation: " + blank60 + "\n" +
      "Inert annealing: " + blank60 + "\n" + "Epitaxy: " + blank60 + "\n" +
      "Inert annealing: " + sim::fixed("last", 60) + "\n" + " Press <Enter> to continue \n";
  EXPECT_EQ(r.output, expected);
  EXPECT_TRUE(fs::exists(dir / "STEPS.3D"));
}

TEST(TavikRun, BundledExampleRuns) {
  ScratchDir dir;
  fs::copy_file(fs::path(EXAMPLES_DIR) / "implant_anneal.INP", dir / "implant_anneal.INP");
  const auto r = run_program(TAVIK_EXE, "implant_anneal.INP", dir.path());
  EXPECT_EQ(r.exit_status, 0) << r.output;
  EXPECT_NE(r.output.find("Phosphorus implant: "), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "implant_anneal.3D"));
}

}  // namespace
