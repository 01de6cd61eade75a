// The process deck: deck names, statement keywords, the values each
// statement keeps or resets, clamps and unit conversions, step titles.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "common/deck_reader.hpp"
#include "common/fatal_stop.hpp"
#include "process/process_deck.hpp"
#include "process/process_names.hpp"
#include "process/process_setup.hpp"
#include "process/process_state.hpp"
#include "process/process_steps.hpp"
#include "support.hpp"

namespace {

using tavik::ProcessRun;
using tavik::StepPlan;

// A run whose console is a string stream, fed statement by statement.
struct Harness {
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  ProcessRun run{console};

  // Reads one statement and takes its values as its branch does; process
  // statements return their step plan without running the step.
  StepPlan take(const std::string& statement) {
    std::istringstream deck(statement + "\n$\n");
    sim::DeckReader reader(deck, sim::DeckVariant::process, console);
    int status = 0;
    const int k = reader.RDKEYW(run.table.keywords, tavik::kKeywordCompareLength, status);
    tavik::read_parameters(run, reader, k);
    if (tavik::is_process_statement(k)) return tavik::take_step_values(run, k);
    if (k == tavik::kMESH) tavik::take_mesh_values(run);
    else if (k == tavik::kSUBS) tavik::take_substrate_values(run);
    else tavik::store_model_statement(run, k);
    return {};
  }

  // Runs a whole deck through the statement branches (the doping file goes
  // to `doping_file`); returns the console text.
  std::string run_deck(const std::string& text, const std::string& doping_file) {
    run.doping_file = doping_file;
    std::istringstream deck(text);
    sim::DeckReader reader(deck, sim::DeckVariant::process, console);
    for (;;) {
      int status = 0;
      const int k = reader.RDKEYW(run.table.keywords, tavik::kKeywordCompareLength, status);
      if (status == sim::kDollar) break;
      if (status != sim::kColon && status != sim::kEquals) continue;
      tavik::run_statement_branch(run, reader, k);
      if (run.params.end_of_deck) break;
    }
    return out.str();
  }
};

std::string stop_message(const std::function<void()>& body) {
  try {
    body();
  } catch (const sim::FatalStop& stop) {
    return stop.what();
  }
  return "(no stop)";
}

// ------------------------------------------------------------- deck names

TEST(ProcessDeckName, SplitsTheFileNamePartOnly) {
  struct Case {
    std::string name, base, extension;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"RUN.INP", "RUN", "INP", true},
      {"RUN.inp", "RUN", "inp", true},
      {"RUN", "RUN", "   ", true},
      {"RUN.Inp", "RUN", "Inp", false},
      {"RUN.DAT", "RUN", "DAT", false},
      {"RUN.", "RUN", "   ", true},
      {"RUN X.INP", "RUN", "   ", true},  // a blank ends the base
      {"RUN.V2.INP", "RUN", "V2.", false},
      {"./run.INP", "./run", "INP", true},
      {"../decks/run.INP", "../decks/run", "INP", true},
      {"/a/my.dir/run.INP", "/a/my.dir/run", "INP", true},
      {"C:\\A.B\\RUN.INP", "C:\\A.B\\RUN", "INP", true},
      {"C:\\MY RUNS\\RUN.INP", "C:\\MY RUNS\\RUN", "INP", true},
  };
  for (const auto& c : cases) {
    const tavik::DeckNameParts parts = tavik::FNEXTP(c.name);
    EXPECT_EQ(parts.base, c.base) << c.name;
    EXPECT_EQ(parts.n, static_cast<int>(c.base.size())) << c.name;
    EXPECT_EQ(parts.extension, c.extension) << c.name;
    EXPECT_EQ(tavik::deck_extension_accepted(parts.extension), c.accepted) << c.name;
  }
}

TEST(ProcessDeckName, DopingFileLiesBesideTheDeck) {
  EXPECT_EQ(tavik::doping_file_name(tavik::FNEXTP("../decks/run.INP")),
            sim::fixed("../decks/run.3D", 80));
  EXPECT_EQ(tavik::doping_file_name(tavik::FNEXTP("RUN")), sim::fixed("RUN.3D", 80));
}

TEST(ProcessDeckName, LongNamesStop) {
  const std::string too_long = " Input file name exceeds 80 characters  ";
  // 76 characters and ".INP": 80 in all, the point in column 77.
  EXPECT_EQ(tavik::FNEXTP(std::string(76, 'a') + ".INP").n, 76);
  EXPECT_EQ(stop_message([] { tavik::FNEXTP(std::string(77, 'a') + ".INP"); }), too_long);
  EXPECT_EQ(stop_message([] { tavik::FNEXTP(std::string(77, 'a') + ".IN"); }), too_long);
  EXPECT_EQ(stop_message([] { tavik::FNEXTP(std::string(79, 'a')); }), too_long);
  EXPECT_EQ(stop_message([] { tavik::FNEXTP("dir/" + std::string(74, 'a')); }), too_long);
}

// ------------------------------------------------------------- keywords

TEST(ProcessKeywords, MatchOnTheirFirstFourCharacters) {
  struct Case {
    std::string word;
    int statement;
  };
  const std::vector<Case> cases = {
      {"COMMENT:", tavik::kCOMM}, {"COMM:", tavik::kCOMM},   {"OXIDATION:", tavik::kOXID},
      {"SOLV:", tavik::kSOLVE},   {"SOLVER=", tavik::kSOLVE}, {"OED:", tavik::kOED},
      {"ANNEAL:", tavik::kANNE},  {"EPITAXY:", tavik::kEPIT}, {"ME SH:", tavik::kMESH},
  };
  Harness h;
  for (const auto& c : cases) {
    std::istringstream deck(c.word);
    sim::DeckReader reader(deck, sim::DeckVariant::process, h.console);
    int status = 0;
    EXPECT_EQ(reader.RDKEYW(h.run.table.keywords, tavik::kKeywordCompareLength, status),
              c.statement)
        << c.word;
  }
  EXPECT_EQ(stop_message([&] { h.take("OEDX: OEE=1;"); }),
            "Keyword OEDX is not recognised Press <Enter> to continue");
}

// Every statement owns a full slice of 14 names; texts are the COMM slot of
// statements 1-13 and METH, PROJ, TIME; the slots the branches take by
// position carry their names.
TEST(ProcessKeywords, TableHasFourteenNamesPerStatementAndItsTextKinds) {
  const sim::StatementTable table = tavik::process_statement_table();
  ASSERT_EQ(table.size(), tavik::kStatementCount);
  for (int k = 1; k <= tavik::kStatementCount; ++k) {
    ASSERT_EQ(table.slice_names(k).size(), 14u) << k;
    for (int j = 1; j <= 14; ++j) {
      const std::string_view name = table.slice_names(k)[j - 1];
      EXPECT_TRUE(!name.empty() && name.size() <= 6) << k << " " << j;
      const bool text = (k <= tavik::kANNE && j == tavik::kCommentSlot) ||
                        (k == tavik::kCOMM && j <= 3);
      EXPECT_EQ(table.slice_kinds(k)[j - 1], text ? sim::kTextKind : sim::kNumberKind)
          << k << " " << j;
    }
  }
  const std::vector<std::tuple<int, int, std::string_view>> slots = {
      {tavik::kSUBS, 4, "OR"},   {tavik::kPHIM, 5, "CS"},   {tavik::kOXID, 7, "XO"},
      {tavik::kEPIT, 5, "TC"},   {tavik::kEPIT, 7, "TAU"},  {tavik::kSOLVE, 6, "IP"},
      {tavik::kASDE, 2, "CS"},   {tavik::kANNE, 3, "TAU"},  {tavik::kDIFF, 12, "DMME"},
      {tavik::kOED, 10, "OEOX"}, {tavik::kWEOX, 12, "BAE2"}, {tavik::kLOCO, 14, "GAM5"},
      {tavik::kSEGR, 9, "ELAM"}, {tavik::kCOMM, 3, "TIME"}};
  for (const auto& [k, j, name] : slots) EXPECT_EQ(table.slice_names(k)[j - 1], name) << k;
}

TEST(ProcessKeywords, EveryProcessStatementTakesACommentText) {
  Harness h;
  for (int k = tavik::kMESH; k <= tavik::kANNE; ++k) {
    if (k == tavik::kRILE) continue;
    std::istringstream deck("COMM='step " + std::to_string(k) + "';");
    sim::DeckReader reader(deck, sim::DeckVariant::process, h.console);
    h.run.params.begin_statement(h.run.table.keywords[k - 1], h.run.table.slice_names(k),
                                 h.run.table.slice_kinds(k));
    sim::RDPARM(reader, h.run.params);
    EXPECT_EQ(h.run.params.given(tavik::kCommentSlot), 1) << k;
    EXPECT_EQ(h.run.params.text(tavik::kCommentSlot),
              sim::fixed("step " + std::to_string(k), 80));
  }
}

TEST(ProcessKeywords, BraceDirectlyAfterANumberEndsTheStatement) {
  Harness h;
  h.run_deck("SOLVE: IT=7} BAND: CINT=2.5} ; } DROX: BD=1 }\n$\n", "unused.3D");
  EXPECT_EQ(h.run.solcon.IT, 7);
  EXPECT_EQ(h.run.bndcon.CINT, 2.5f);
  EXPECT_EQ(h.run.oxdcon.BD, 1.0f);
}

TEST(ProcessKeywords, RileIsAcceptedWithoutAList) {
  Harness h;
  EXPECT_EQ(stop_message([&] { h.run_deck("RILE:; BAND: EINT=2;\n$\n", "unused.3D"); }),
            "(no stop)");
  EXPECT_EQ(h.run.bndcon.EINT, 2.0f);
  Harness g;
  EXPECT_EQ(stop_message([&] { g.run_deck("RILE: FD=1;\n$\n", "unused.3D"); }),
            "Keyword FD   is not recognised Press <Enter> to continue");
}

// -------------------------------------------------------- model statements

TEST(ProcessModelStatements, StoreGivenSlotsInOrderAndKeepTheRest) {
  Harness h;
  h.take("DIFF: DX0A=1.5 DMME=2.5;");
  EXPECT_EQ(h.run.difcon.DX0A, 1.5f);
  EXPECT_EQ(h.run.difcon.DMME, 2.5f);
  EXPECT_EQ(h.run.difcon.DXEA, 4.1f);
  h.take("LOCO: KHI0=0.5 GAM5=0.25;");
  EXPECT_EQ(h.run.loccon.KHI0, 0.5f);
  EXPECT_EQ(h.run.loccon.GAM5, 0.25f);
  EXPECT_EQ(h.run.loccon.GAM4, 0.00035f);
  h.take("WEOX: OR0=0.5 BAE2=3 6=99;");  // a placeholder slot is read and not used
  EXPECT_EQ(h.run.wetcon.OR0, 0.5f);
  EXPECT_EQ(h.run.wetcon.BAE2, 3.0f);
  h.take("SEGR: ELAM=3;");
  EXPECT_EQ(h.run.segcon.ELAM, 3.0f);
  EXPECT_EQ(h.run.segcon.SEGA, 1e22f);
  h.take("OED: OEOX=0.5;");
  EXPECT_EQ(h.run.oedcon.OEOX, 0.5f);
  h.take("BAND: EGAP=1.1;");
  EXPECT_EQ(h.run.bndcon.EGAP, 1.1f);
  EXPECT_EQ(h.run.bndcon.CINT, 3.873e16f);
}

TEST(ProcessModelStatements, SolveTruncatesIntegersAndScalesTheFloor) {
  Harness h;
  EXPECT_EQ(h.run.solcon.CO, 1e-8f);
  h.take("SUBS: PH=1e15;");
  h.run.dopcnt = {0, 0, 0};
  h.take("SOLVE: IB=0.9 IT=50.7 RS=1e-12 CO=1e14 IP=-1.9;");
  EXPECT_EQ(h.run.solcon.IB, 0);
  EXPECT_EQ(h.run.solcon.IT, 50);
  EXPECT_EQ(h.run.solcon.IP, -1);
  EXPECT_EQ(h.run.solcon.RS, 1e-12f);
  EXPECT_EQ(h.run.solcon.RL, 0.001f);
  EXPECT_EQ(h.run.solcon.CO, 1e14f / 1e20f);
  // Phosphorus lies above the new floor, boron and arsenic at the old one.
  EXPECT_EQ(h.run.dopcnt, (tavik::DOPCNT{1, 0, 0}));
}

// A floor CO at or below 0 (also one that vanishes once divided by 1e20)
// or a tolerance RS at or below 0 leaves the thermal steps no reachable
// convergence threshold 2 RS / CO.
TEST(ProcessModelStatements, SolveRefusesAnUnreachableConvergenceThreshold) {
  const std::string no_floor = " SOLVE needs a concentration floor CO > 0";
  const std::string no_tolerance = " SOLVE needs a solver tolerance RS > 0";
  for (const auto& [statement, message] :
       {std::pair{"SOLVE: CO=0;", no_floor}, std::pair{"SOLVE: CO=-1e15;", no_floor},
        std::pair{"SOLVE: CO=1e-40;", no_floor}, std::pair{"SOLVE: RS=0;", no_tolerance},
        std::pair{"SOLVE: RS=-1e-10;", no_tolerance}}) {
    Harness h;
    EXPECT_EQ(stop_message([&] { h.take(statement); }), message) << statement;
  }
}

TEST(ProcessModelStatements, CommentTextsAreCutAndOthersKept) {
  Harness h;
  h.take("COMM: PROJ='wafer 7';");
  EXPECT_EQ(h.run.comm.METH, std::string(8, '\0'));
  EXPECT_EQ(h.run.comm.PROJ, sim::fixed("wafer 7", 30));
  EXPECT_EQ(h.run.comm.TIME, std::string(19, '\0'));
  h.take("COMM: METH='diffusion' TIME='2024-01-01 12:00:00 extra';");
  EXPECT_EQ(h.run.comm.METH, "diffusio");
  EXPECT_EQ(h.run.comm.TIME, "2024-01-01 12:00:00");
  EXPECT_EQ(h.run.comm.PROJ, sim::fixed("wafer 7", 30));
}

// --------------------------------------------------- mesh and substrate

TEST(ProcessMeshValues, TruncatedAndFloored) {
  struct Case {
    std::string statement;
    float AX, AY;
  };
  const std::vector<Case> cases = {
      {"MESH: NX=10.9 NY=20.2 XX=2 YY=3 IM=-0.5 AX=0;", 1e-5f, 1e-5f},
      {"MESH: AX=-3 AY=2e-5;", 1e-5f, 2e-5f},
      {"MESH: AX=1e-5 AY=2.5;", 1e-5f, 2.5f},
  };
  for (const auto& c : cases) {
    Harness h;
    h.take(c.statement);
    EXPECT_EQ(h.run.mesh_values.AX, c.AX) << c.statement;
    EXPECT_EQ(h.run.mesh_values.AY, c.AY) << c.statement;
  }
  Harness h;
  h.take("MESH: NX=10.9 NY=20.2 XX=2 YY=3 IM=-0.5;");
  EXPECT_EQ(h.run.mesh_values.NX, 10);
  EXPECT_EQ(h.run.mesh_values.NY, 20);
  EXPECT_EQ(h.run.mesh_values.IM, 0);
  EXPECT_EQ(h.run.mesh_values.XX, 2.0f);
  Harness d;
  d.take("MESH: NX=3;");
  EXPECT_EQ(d.run.mesh_values.IM, 1);  // default
}

TEST(ProcessSubstrate, BackgroundsResetToTheFloorAndScaled) {
  Harness h;
  h.take("SUBS: BO=1e15 OR=111.6;");
  EXPECT_EQ(h.run.substrate.B, 1e15f / 1e20f);
  EXPECT_EQ(h.run.substrate.P, 1e-8f);
  EXPECT_EQ(h.run.substrate.As, 1e-8f);
  EXPECT_EQ(h.run.substrate.OR, 111);
  EXPECT_EQ(h.run.dopcnt, (tavik::DOPCNT{0, 1, 0}));
  h.take("SUBS: PH=0;");  // given as 0: present all the same
  EXPECT_EQ(h.run.substrate.P, 0.0f);
  EXPECT_EQ(h.run.substrate.B, 1e-8f);  // reset to the floor
  EXPECT_EQ(h.run.substrate.OR, 111);   // kept
  EXPECT_EQ(h.run.dopcnt, (tavik::DOPCNT{1, 1, 0}));
}

// ---------------------------------------------------- process statements

TEST(ProcessImplant, DoseAndEnergyKeptMaskEdgeReset) {
  Harness h;
  const StepPlan first = h.take("PHIM: XM=0.5 DZ=1e13 EN=50 XD=1 CS=1e19;");
  EXPECT_TRUE(first.implant);
  EXPECT_EQ(first.dopant, tavik::kPhosphorus);
  h.take("PHIM: CS=2e19;");
  const tavik::DopantValues& p = h.run.values_of(tavik::kPhosphorus);
  EXPECT_EQ(p.XM, 0.0f);
  EXPECT_EQ(p.DZ, 1e13f);
  EXPECT_EQ(p.EN, 50.0f);
  EXPECT_EQ(p.XD, 1.0f);  // implant keeps its window
  EXPECT_EQ(p.CS, 2e19f / 1e20f);
  EXPECT_EQ(h.run.dopcnt, (tavik::DOPCNT{2, 0, 0}));
  EXPECT_EQ(h.run.values_of(tavik::kBoron).DZ, 0.0f);  // per dopant
}

TEST(ProcessImplant, LowSurfaceConcentrationDropsTheWindow) {
  struct Case {
    std::string statement;
    float XD;
  };
  const std::vector<Case> cases = {
      {"BOIM: XD=2 CS=1e14;", 0.0f},
      {"BOIM: XD=2 CS=1.01e14;", 2.0f},
      {"BOIM: XD=2;", 0.0f},  // CS never given: 0
      {"BOIM: XD=-2 CS=1e18 IB=5;", -2.0f},
  };
  for (const auto& c : cases) {
    Harness h;
    h.take(c.statement);
    EXPECT_EQ(h.run.values_of(tavik::kBoron).XD, c.XD) << c.statement;
  }
}

TEST(ProcessDeposition, WindowResetToWholeSurfaceAndCsShared) {
  Harness h;
  const StepPlan plan = h.take("ASDE: CS=1e19;");
  EXPECT_TRUE(plan.deposition);
  EXPECT_EQ(plan.dopant, tavik::kArsenic);
  EXPECT_EQ(h.run.values_of(tavik::kArsenic).XD, 1e10f);
  h.take("ASDE: XD=-0.5;");
  EXPECT_EQ(h.run.values_of(tavik::kArsenic).XD, -0.5f);
  EXPECT_EQ(h.run.values_of(tavik::kArsenic).CS, 1e19f / 1e20f);  // kept
  h.take("ASIM: DZ=1e15;");  // the implant keeps the deposition's CS
  EXPECT_EQ(h.run.values_of(tavik::kArsenic).CS, 1e19f / 1e20f);
  h.take("ASDE: CS=1e12;");
  EXPECT_EQ(h.run.values_of(tavik::kArsenic).XD, 0.0f);
  h.take("PHDE: CS=1.5e12;");
  EXPECT_EQ(h.run.values_of(tavik::kPhosphorus).XD, 1e10f);
  EXPECT_EQ(h.run.dopcnt, (tavik::DOPCNT{1, 0, 4}));  // three depositions, one implant
}

TEST(ProcessOxidation, WindowsClampsAndTheThermalCondition) {
  Harness h;
  StepPlan plan = h.take("OXID: TC=1000 TM=600 TAU=2 OX=1.9 POX=1 U0=0.01;");
  EXPECT_EQ(h.run.thermal.OX, 1);
  EXPECT_EQ(h.run.thermal.XO, 1e10f);
  EXPECT_EQ(h.run.thermal.U0, 0.03f);
  EXPECT_EQ(plan.T, 1273.0f);
  EXPECT_TRUE(plan.thermal);
  EXPECT_EQ(h.run.oxidation_count, 1);

  plan = h.take("OXID: XO=1.5 U0=0.05;");  // TC, TM, TAU, POX kept; OX reset
  EXPECT_EQ(h.run.thermal.OX, 0);
  EXPECT_EQ(h.run.thermal.XO, 1.5f);
  EXPECT_EQ(h.run.thermal.U0, 0.05f);
  EXPECT_EQ(h.run.thermal.TAU, 2.0f);
  EXPECT_EQ(h.run.thermal.POX, 1.0f);
  EXPECT_TRUE(plan.thermal);
  EXPECT_EQ(h.run.oxidation_count, 1);  // OX = 0 does not count

  plan = h.take("ANNE: TM=30;");
  EXPECT_EQ(h.run.thermal.OX, 0);
  EXPECT_EQ(h.run.thermal.XO, 0.0f);
  EXPECT_EQ(h.run.thermal.TC, 1000.0f);
  EXPECT_EQ(h.run.thermal.TM, 30.0f);
  EXPECT_EQ(h.run.thermal.U0, 0.05f);
  EXPECT_EQ(plan.T, 1273.0f);
  EXPECT_TRUE(plan.thermal);
}

TEST(ProcessOxidation, RunsAboveTwoHundredSeventyFiveKelvinWithADuration) {
  struct Case {
    std::string statement;
    bool thermal;
  };
  const std::vector<Case> cases = {
      {"OXID: TC=2 TM=10 TAU=1 OX=1 POX=1;", false},   // T = 275
      {"OXID: TC=2.5 TM=10 TAU=1 OX=1 POX=1;", true},
      {"OXID: TC=900 TM=0 OX=1 POX=1;", false},        // no duration, no TAU needed
      {"ANNE: TC=900 TM=-5;", false},
      {"ANNE: TM=5 TAU=1;", false},                    // TC never given: 273 K
  };
  for (const auto& c : cases) {
    Harness h;
    EXPECT_EQ(h.take(c.statement).thermal, c.thermal) << c.statement;
  }
  Harness skipped;
  skipped.take("OXID: TC=2 TM=10 OX=2 POX=1;");
  EXPECT_EQ(skipped.run.oxidation_count, 1);  // counted although skipped
}

TEST(ProcessEpitaxy, ResetsItsValuesAndKeepsItsOwnTemperature) {
  Harness h;
  h.take("SUBS: BO=1e15;");
  h.take("OXID: TC=900 TM=0 TAU=5;");
  StepPlan plan = h.take("EPIT: TH=2 PH=1e16 TC=1100 TM=60;");
  EXPECT_TRUE(plan.grow_layer);
  EXPECT_TRUE(plan.thermal);
  EXPECT_EQ(plan.T, 1373.0f);
  EXPECT_EQ(h.run.substrate.P, 1e16f / 1e20f);
  EXPECT_EQ(h.run.substrate.B, 1e-8f);  // reset to the floor
  EXPECT_EQ(h.run.epitaxy.TAU, 1.0f);
  EXPECT_EQ(h.run.thermal.TC, 900.0f);  // the OXID/ANNE set is untouched
  EXPECT_EQ(h.run.thermal.TAU, 5.0f);

  plan = h.take("EPIT: TAU=3;");
  EXPECT_EQ(h.run.epitaxy.TH, 0.0f);
  EXPECT_FALSE(plan.grow_layer);
  EXPECT_FALSE(plan.thermal);
  EXPECT_EQ(h.run.epitaxy.TAU, 3.0f);
  EXPECT_EQ(h.run.epitaxy.TC, 1100.0f);
  EXPECT_EQ(h.run.epitaxy.TM, 60.0f);
  plan = h.take("EPIT: TH=1;");
  EXPECT_EQ(h.run.epitaxy.TAU, 1.0f);
  EXPECT_TRUE(plan.thermal);  // no test on TM
  plan = h.take("EPIT: TH=1 TC=26;");  // 299 K
  EXPECT_FALSE(plan.thermal);
}

// ---------------------------------------------------- titles and the tail

TEST(ProcessSteps, TitleLinesCarryTheFirstSixtyCharactersOfTheComment) {
  const std::string comment = sim::fixed(std::string(59, 'c') + "XYZ", 80);
  EXPECT_EQ(tavik::step_title_line(tavik::kPHIM, comment),
            "Phosphorus implant: " + std::string(59, 'c') + "X");
  EXPECT_EQ(tavik::step_title_line(tavik::kANNE, sim::fixed("", 80)),
            "Inert annealing: " + std::string(60, ' '));
  const std::vector<std::pair<int, std::string>> titles = {
      {tavik::kBOIM, "Boron implant: "},        {tavik::kASIM, "Arsenic implant: "},
      {tavik::kOXID, "Oxidation: "},            {tavik::kEPIT, "Epitaxy: "},
      {tavik::kPHDE, "Phosphorus deposition: "}, {tavik::kBODE, "Boron deposition: "},
      {tavik::kASDE, "Arsenic deposition: "}};
  for (const auto& [k, title] : titles) EXPECT_EQ(tavik::step_title(k), title);
}

TEST(ProcessSteps, FillsurfCopiesTheSurfaceNodeUpwards) {
  // 2 columns, 4 rows; column 2 has its surface in row 3.
  std::vector<float> P = {1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<float> B = P, As = P;
  const std::vector<int> isurf = {1, 3};
  tavik::FILLSURF(2, 4, P, B, As, isurf);
  EXPECT_EQ(P, (std::vector<float>{1, 6, 3, 6, 5, 6, 7, 8}));
  EXPECT_EQ(As, P);
}

class ProcessDeckRun : public ::testing::Test {
 protected:
  testing_support::ScratchDir dir;
  std::string doping() const { return (dir / "RUN.3D").string(); }
};

TEST_F(ProcessDeckRun, StatementsNeedAMeshFirst) {
  for (const std::string statement : {"SUBS: BO=1e15;", "PHIM: DZ=1e13;", "ANNE: TC=900;"}) {
    Harness h;
    const std::string message = stop_message([&] { h.run_deck(statement + "\n$\n", doping()); });
    EXPECT_EQ(message.rfind(" MESH statement must come before ", 0), 0u) << message;
    EXPECT_FALSE(std::filesystem::exists(doping()));
  }
}

TEST_F(ProcessDeckRun, CommentBelongsToOneStepOnly) {
  Harness h;
  const std::string out = h.run_deck(
      "MESH: NX=3 NY=3 XX=1 YY=2;\nSUBS: BO=1e15;\n"
      "PHDE: CS=1e19 COMM='predep';\nANNE: TC=2 TM=10;\n$\n",
      doping());
  EXPECT_EQ(out, "Phosphorus deposition: " + sim::fixed("predep", 60) + "\n" +
                     "Inert annealing: " + std::string(60, ' ') + "\n");
  EXPECT_TRUE(std::filesystem::exists(doping()));
  EXPECT_EQ(h.run.values_of(tavik::kPhosphorus).XD, 0.0f);  // cleared by ANNE
  EXPECT_EQ(h.run.mesh.CBOR[4], 1e15f / 1e20f);
  EXPECT_EQ(h.run.run_title.substr(0, 5), "METH=");
}

// Thermal steps without a positive first time step or above the melting
// point of silicon, and oxidations without a positive oxidant pressure, stop
// after their title and write no file.
TEST_F(ProcessDeckRun, StepsThatCannotRunStopAfterTheirTitle) {
  struct Case {
    std::string statement, title, message;
  };
  const std::string no_tau = " Thermal step needs a first time step TAU > 0";
  const std::string no_pox = " Oxidation needs an oxidant pressure POX > 0";
  const std::string molten =
      " Thermal step above the melting point of silicon (1414 C) cannot be simulated";
  const std::vector<Case> cases = {
      {"ANNE: TC=2222222222222222222 TM=60 TAU=1;", "Inert annealing: ", molten},
      {"EPIT: TH=0.5 TC=1415 TM=60;", "Epitaxy: ", molten},
      // 1.1 TAU would round back to TAU: the time would never reach TM.
      {"ANNE: TC=1000 TM=1 TAU=1e-45;", "Inert annealing: ",
       " Thermal step: first time step TAU too short to advance the time"},
      {"OXID: TC=1000 TM=60 OX=1 POX=1;", "Oxidation: ", no_tau},  // TAU never given
      {"ANNE: TC=1000 TM=60 TAU=-1;", "Inert annealing: ", no_tau},
      {"OXID: TC=1000 TM=60 TAU=1 OX=1;", "Oxidation: ", no_pox},
      {"OXID: TC=2 TM=10 OX=2 POX=-1;", "Oxidation: ", no_pox},  // also when skipped
      {"EPIT: TH=0.5 TC=1000 TM=60 TAU=0;", "Epitaxy: ", no_tau},
  };
  for (const auto& c : cases) {
    Harness h;
    const std::string message = stop_message(
        [&] { h.run_deck("MESH: NX=3 NY=5 XX=1 YY=2;\n" + c.statement + "\n$\n", doping()); });
    EXPECT_EQ(message, c.message) << c.statement;
    EXPECT_EQ(h.out.str(), c.title + std::string(60, ' ') + "\n") << c.statement;
    EXPECT_FALSE(std::filesystem::exists(doping())) << c.statement;
  }
}

// A later thermal step without TAU starts from the last step length of the
// previous one: 1, 1.1, 1.21 ... s fill 9.487 s of TM = 10 s, the last
// step is the remaining 0.513 s.
TEST_F(ProcessDeckRun, ThermalStepLeavesItsLastStepLengthInTau) {
  Harness h;
  h.run_deck("MESH: NX=3 NY=5 XX=1 YY=2;\nSUBS: BO=1e15;\nANNE: TC=900 TM=10 TAU=1;\n$\n",
             doping());
  EXPECT_NEAR(h.run.thermal.TAU, 0.512829f, 1e-4f);
  h.out.str("");
  h.run_deck("ANNE: TM=1;\n$\n", doping());  // 0.513 s, then the remaining 0.487 s
  EXPECT_NE(h.out.str().find("Time step    2"), std::string::npos) << h.out.str();
  EXPECT_EQ(h.out.str().find("Time step    3"), std::string::npos) << h.out.str();
  EXPECT_NEAR(h.run.thermal.TAU, 1.0f - 0.512829f, 1e-4f);
}

// The residual history holds what the linear solver can record, not IT
// entries: IT=1e9 before MESH once asked for 4 GB on a 3 x 3 mesh.
TEST_F(ProcessDeckRun, HugeIterationLimitCostsNoMemory) {
  Harness h;
  h.run_deck("SOLVE: IT=1000000000;\nMESH: NX=3 NY=3 XX=1 YY=2;\n$\n", doping());
  EXPECT_EQ(h.run.mesh.residual_history.size(), 200u);
}

TEST_F(ProcessDeckRun, EpitaxyOverOxideStopsBeforeAnythingHappens) {
  Harness h;
  const std::string message = stop_message([&] {
    h.run_deck(
        "MESH: NX=3 NY=3 XX=1 YY=2;\nOXID: TC=2 TM=10 OX=1 POX=1;\n"
        "OXID: TC=2 TM=10 OX=1 POX=1;\nEPIT: TH=1;\n$\n",
        doping());
  });
  EXPECT_EQ(message, "Epitaxy over oxide cannot be simulated, press <Enter> to continue");
  EXPECT_EQ(h.run.oxidation_count, 2);
  EXPECT_EQ(h.out.str().find("Epitaxy: "), std::string::npos);
}

TEST_F(ProcessDeckRun, EpitaxyGrowsTheLayerAndMarksItsDopants) {
  Harness h;
  h.run_deck("MESH: NX=2 NY=3 XX=1 YY=2;\nSUBS: PH=1e16;\nEPIT: TH=1 AS=1e15 TC=20;\n$\n",
             doping());
  EXPECT_EQ(h.run.dopcnt, (tavik::DOPCNT{1, 0, 2}));  // phosphorus only at the floor now
  EXPECT_EQ(h.run.mesh.CARS[0], 1e15f / 1e20f);      // top row: the layer
  EXPECT_EQ(h.run.mesh.CPHOS[2 * 2], 1e16f / 1e20f); // bottom row: the old row 2
}

TEST_F(ProcessDeckRun, ImplantAndDepositionReachTheirDopantOnly) {
  Harness h;
  h.run_deck("MESH: NX=3 NY=11 XX=1 YY=1;\nSUBS: BO=1e15;\nPHIM: DZ=1e13 EN=50;\n$\n", doping());
  const auto& m = h.run.mesh;
  EXPECT_GT(*std::max_element(m.CPHOS.begin(), m.CPHOS.end()), 1e-3f);
  EXPECT_EQ(*std::max_element(m.CBOR.begin(), m.CBOR.end()), 1e15f / 1e20f);
  EXPECT_EQ(*std::max_element(m.CARS.begin(), m.CARS.end()), 1e-8f);
  Harness d;
  d.run_deck("MESH: NX=3 NY=3 XX=1 YY=1;\nSUBS: BO=1e15;\nASDE: CS=1e19;\n$\n", doping());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(d.run.mesh.CARS[i], 1e19f / 1e20f) << i;
  EXPECT_EQ(d.run.mesh.CARS[3], 1e-8f);
}

TEST_F(ProcessDeckRun, DollarInsideAStatementEndsTheDeckAfterIt) {
  Harness h;
  h.run_deck("MESH: NX=2 NY=2 XX=1 YY=1;\nANNE: TC=2 $ BAND: EINT=9;", doping());
  EXPECT_EQ(h.run.thermal.TC, 2.0f);
  EXPECT_TRUE(std::filesystem::exists(doping()));
  EXPECT_EQ(h.run.bndcon.EINT, 1.5f);
}

}  // namespace
