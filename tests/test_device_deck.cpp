// The device deck's vocabulary and its store statements: what a deck gives
// lands in its block field, truncated or cut as the field demands, and
// nothing else changes.
#include <gtest/gtest.h>

#include "device_deck_run.hpp"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <sstream>
#include <string>

#include "common/fatal_stop.hpp"
#include "device/devora.hpp"
#include "device/run_state.hpp"
#include "device/deck/tables.hpp"

namespace {

using devora::DeviceRun;


// The message a deck stops with ("" when it reads to its end).
std::string stop_message(const std::string& deck) {
  try {
    DeckRun r(deck);
  } catch (const sim::FatalStop& stop) {
    return stop.what();
  }
  return "";
}

TEST(DeviceTables, KeywordsSlicesAndTextKinds) {
  sim::StatementTable table = devora::device_statement_table();
  ASSERT_EQ(table.size(), 33);
  EXPECT_EQ(std::accumulate(table.counts.begin(), table.counts.end(), 0), 332);
  ASSERT_EQ(table.names.size(), 332u);
  const int starts[33] = {1,   10,  12,  14,  27,  29,  37,  39,  53,  85,  99,  107, 108, 120, 144, 151, 164,
                          169, 175, 189, 203, 223, 235, 236, 256, 260, 272, 284, 291, 307, 314, 321, 332};
  for (int k = 1; k <= 33; ++k) EXPECT_EQ(table.slice_start(k), starts[k - 1]) << k;
  EXPECT_EQ(table.keywords[devora::kPARA - 1], "PARA");
  EXPECT_EQ(table.names[331], "PARA");

  EXPECT_EQ(std::count(table.kinds.begin(), table.kinds.end(), sim::kTextKind), 0);
  devora::mark_text_parameters(table);
  EXPECT_EQ(std::count(table.kinds.begin(), table.kinds.end(), sim::kTextKind), 21);
  // Every text kind sits on a name that is a text in its statement.
  for (std::size_t i = 0; i < table.kinds.size(); ++i) {
    if (table.kinds[i] != sim::kTextKind) continue;
    const std::string_view n = table.names[i];
    EXPECT_TRUE(n == "FILE" || n == "COMM" || n == "DFIL" || n == "TEXT" || n == "NAME" || n == "METH" ||
                n == "PROJ" || n == "TIME" || n == "SFIL")
        << n;
  }
}

TEST(DeviceBlocks, WidenedConstantsAndZeroByteHeader) {
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  const DeviceRun run(console);
  EXPECT_EQ(run.comcon.FIM, 4.349999904632568);
  EXPECT_EQ(run.comcon.FIS, static_cast<double>(4.17f));
  EXPECT_EQ(run.cumn.G, static_cast<double>(8.8f));
  EXPECT_EQ(run.cump.G, static_cast<double>(1.6f));
  EXPECT_EQ(run.quantum.QMPT, -0.3333);  // the decimal, not a third
  EXPECT_EQ(run.hdrtext.METH, std::string(8, '\0'));
  EXPECT_EQ(run.hdrtext.PROJ, std::string(30, '\0'));
  EXPECT_EQ(run.hdrtext.TIME, std::string(19, '\0'));
  EXPECT_EQ(run.complt.ANSWER, 'Y');
}

TEST(StoreStatements, GivenValuesLandInTheirFields) {
  DeckRun d(
      "BAND: TEMP=350 CNSB=0.7;\n"
      "PERM: EPSS=11.7;\n"
      "WORK: FIS=4.05;\n"
      "SRH: ETRA=0.1 EN=1.5 TAUP=2E-6 EP=3;\n"
      "AUGE: AUGP=1E-31;\n"
      "SURF: VSNL=10 VSPB=20;\n"
      "RADI: RATE=2E-14;\n"
      "IONE: EN0=1 BP3=2;\n"
      "IONP: AN0=3 AP3=4;\n"
      "QNTM: QMPE=0.5;\n"
      "BBTL: BBA=1E21 EPHS=0.02;\n"
      "MESH: NX=20.9 NY=10 YY=5 HY0=0.001 MESH=1;\n"
      "SOLV: READ=3 BATC=2 GUMM=50 GRES=0.02 DGEN=0.002 CRBD=0.2 RELG=0.5 SMTH=3 PRNT=4 CNTN=5 IGRM=3;\n"
      "MODE: ELHL=1 HVDO=0 IMPI=2 IQM=3 BBTL=4;\n"
      "$\n");
  const DeviceRun& r = d.run;
  EXPECT_EQ(r.recomb.TEMP, 350);
  EXPECT_EQ(r.recomb.EG30, 1.08);  // not given: built-in value
  EXPECT_EQ(r.recomb.CNSB, 0.7);
  EXPECT_EQ(r.scale.EPSD, 3.9);
  EXPECT_EQ(r.scale.EPSS, 11.7);
  EXPECT_EQ(r.comcon.FIM, static_cast<double>(4.35f));
  EXPECT_EQ(r.comcon.FIS, 4.05);
  EXPECT_EQ(r.recomb.ETRA, 0.1);
  EXPECT_EQ(r.recomb.carrier.n.EXPO, 1.5);
  EXPECT_EQ(r.recomb.carrier.n.TAU, 1e-7);
  EXPECT_EQ(r.recomb.carrier.p.TAU, 2e-6);
  EXPECT_EQ(r.recomb.carrier.p.EXPO, 3);
  EXPECT_EQ(r.recomb.carrier.n.AUG, 2.8e-31);
  EXPECT_EQ(r.recomb.carrier.p.AUG, 1e-31);
  EXPECT_EQ(r.recomb.carrier.n.VSL, 10);
  EXPECT_EQ(r.recomb.carrier.n.VSR, 1e-20);
  EXPECT_EQ(r.recomb.carrier.p.VSB, 20);
  EXPECT_EQ(r.recomb.RATE, 2e-14);
  EXPECT_EQ(r.avln.n.E0, 1);
  EXPECT_EQ(r.avln.p.B3, 2);
  EXPECT_EQ(r.avln.n.A0, 3);
  EXPECT_EQ(r.avln.p.A3, 4);
  EXPECT_EQ(r.avln.p.A2, 4.4e5);
  EXPECT_EQ(r.quantum.QMPE, 0.5);
  EXPECT_EQ(r.quantum.QMBE, 4.1e-8);
  EXPECT_EQ(r.bandband.BBA, 1e21);
  EXPECT_EQ(r.bandband.BBE, 2.25e7);
  EXPECT_EQ(r.bandband.EPHS, 0.02);
  EXPECT_EQ(r.igrid.NX, 20);
  EXPECT_EQ(r.igrid.NY, 10);
  EXPECT_EQ(r.geom.XX, 1.0);
  EXPECT_EQ(r.geom.YY, 5);
  EXPECT_EQ(r.geom.HY0, 0.001);
  EXPECT_EQ(r.igrid.MESH, 1);
  EXPECT_EQ(r.igrid.READ, 3);
  EXPECT_EQ(r.comctrl.BATC, 2);
  EXPECT_EQ(r.itgum.ITMAX, 50);
  EXPECT_EQ(r.itgum.RES, 0.01);
  EXPECT_EQ(r.comctrl.GRES, 0.02);
  EXPECT_EQ(r.comctrl.GMIN, 1e12);
  EXPECT_EQ(r.comctrl.DGEN, 0.002);
  EXPECT_EQ(r.comctrl.CRBD, 0.2);
  EXPECT_EQ(r.comctrl.RELG, 0.5);
  EXPECT_EQ(r.comctrl.SMTH, 3);
  EXPECT_EQ(r.igrid.PRNT, 4);
  EXPECT_EQ(r.comctrl.CNTN, 5);
  EXPECT_EQ(r.igrid.IGRM, 3);
  // Distinct switch values pin each MODE slot to its own IGRID field.
  EXPECT_EQ(r.igrid.ELHL, 1);
  EXPECT_EQ(r.igrid.HVDO, 0);
  EXPECT_EQ(r.igrid.IMPI, 2);
  EXPECT_EQ(r.igrid.IQM, 3);
  EXPECT_EQ(r.igrid.BBTL, 4);
  EXPECT_EQ(r.igrid.MOBMOD, 3);
}

TEST(StoreStatements, MobilityModelsAndTheirOwnParameters) {
  struct Case {
    const char* deck;
    int mobmod;
  };
  for (const Case& c : {Case{"CONM: ;\n$", 1}, Case{"YAMA:;\n$", 2}, Case{"BIPO: ;\n$", 4},
                        Case{"BIPO: ; CONM: ; LOMB: ;\n$", 3}, Case{"LOMB: ; YAMA: UMN0=1;\n$", 2}}) {
    DeckRun d(c.deck);
    EXPECT_EQ(d.run.igrid.MOBMOD, c.mobmod) << c.deck;
  }
  DeckRun d("CONM: UMN0=900;\nYAMA: UMN0=1200 VCP=3E6;\nLOMB: ALPN=0.5 VSAP=1E7;\nBIPO: ALPN=0.6 BETP=1.5;\n$");
  EXPECT_EQ(d.run.cumcon.UM0.n, 900);
  EXPECT_EQ(d.run.cumcon.UM0.p, 500);
  EXPECT_EQ(d.run.cumn.U0, 1200);
  EXPECT_EQ(d.run.cump.VC, 3e6);
  EXPECT_EQ(d.run.mobkib.n.ALP, 0.5);
  EXPECT_EQ(d.run.mobkib.p.VSA, 1e7);
  EXPECT_EQ(d.run.medmob.n.ALP, 0.6);
  EXPECT_EQ(d.run.medmob.p.BET, 1.5);
  EXPECT_EQ(d.run.medmob.n.BET, 2);
  EXPECT_EQ(d.run.igrid.MOBMOD, 4);
}

TEST(StoreStatements, IntegerFieldsTruncateTowardZero) {
  DeckRun d("MODE: IMPI=-1.5 HVDO=2.9 ELHL=-0.9;\nMESH: NX=30.9 NY=2.99;\n$");
  EXPECT_EQ(d.run.igrid.IMPI, -1);
  EXPECT_EQ(d.run.igrid.HVDO, 2);
  EXPECT_EQ(d.run.igrid.ELHL, 0);
  EXPECT_EQ(d.run.igrid.NX, 30);
  EXPECT_EQ(d.run.igrid.NY, 2);
  EXPECT_EQ(stop_message("MODE: IMPI=3E9;\n$"), " Error read value IMPI   Directive MODE  ");
}

TEST(StoreStatements, HeaderTextsAreCutToTheirFields) {
  DeckRun d("COMM: METH='METHOD1234' DUMM=1;\n$");
  EXPECT_EQ(d.run.hdrtext.METH, "METHOD12");
  EXPECT_EQ(d.run.hdrtext.PROJ, std::string(30, '\0'));  // not given: zero bytes stay
  EXPECT_EQ(d.run.hdrtext.TIME, std::string(19, '\0'));

  DeckRun two("COMM: METH='A' PROJ='" + std::string(35, 'p') + "' TIME='2026-12-09 12:00:00 extra';\n"
              "COMM: METH='B';\n$");
  EXPECT_EQ(two.run.hdrtext.METH, "B       ");
  EXPECT_EQ(two.run.hdrtext.PROJ, std::string(30, 'p'));
  EXPECT_EQ(two.run.hdrtext.TIME, "2026-12-09 12:00:00");
}

TEST(StoreStatements, DopingFileAndTheLastDopingStatementDecide) {
  DeckRun file("DOPN: FILE='wafer.3D';\n$");
  EXPECT_EQ(file.run.filenames.doping(), sim::fixed("wafer.3D", 80));
  EXPECT_EQ(file.run.igrid.DOPMOD, 2);
  DeckRun boxes("DOPN: FILE='wafer.3D';\nDOPA: DOP=1E16; }\n$");
  EXPECT_EQ(boxes.run.igrid.DOPMOD, 1);
  DeckRun again("DOPA: DOP=1E16 }\nDOPN: ;\n$");
  EXPECT_EQ(again.run.igrid.DOPMOD, 2);
  EXPECT_EQ(again.run.filenames.doping(), sim::fixed("MOS.MRG", 80));
}

// Placeholders, comments and PARA are read and change nothing; compare a
// few blocks in full against a run without them.
TEST(StoreStatements, PlaceholdersAndParaStoreNothing) {
  const std::string base = "BAND: TEMP=320;\nSOLV: GUMM=20;\nBBTL: BBE=2E7;\n";
  DeckRun plain(base + "$");
  DeckRun extra(base + "SOLV: COMM='a comment';\nBBTL: 4=7 5=8;\nCOMM: DUMM=1 DUMM=2;\nPARA: PARA=999;\nPARA: ;\n$");
  auto same_reals = [](const auto& a, const auto& b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  EXPECT_TRUE(same_reals(plain.run.recomb, extra.run.recomb));
  EXPECT_TRUE(same_reals(plain.run.bandband, extra.run.bandband));
  EXPECT_TRUE(same_reals(plain.run.igrid, extra.run.igrid));
  EXPECT_EQ(extra.run.itgum.ITMAX, 20);
  EXPECT_EQ(extra.run.comctrl.GRES, plain.run.comctrl.GRES);
  EXPECT_EQ(extra.run.hdrtext.METH, plain.run.hdrtext.METH);
}

TEST(StoreStatements, LaterStatementsOverwriteOnlyWhatTheyGive) {
  DeckRun d("BAND: TEMP=310 EG30=1.1;\nBAND: EG30=1.12;\nMODE: BBTL=1;\nBBTL: BBA=1E20;\n$");
  EXPECT_EQ(d.run.recomb.TEMP, 310);
  EXPECT_EQ(d.run.recomb.EG30, 1.12);
  EXPECT_EQ(d.run.igrid.BBTL, 1);
  EXPECT_EQ(d.run.bandband.BBA, 1e20);
}

TEST(StoreStatements, DollarInsideAStatementStoresItAndEndsTheDeck) {
  DeckRun d("BAND: TEMP=330 $ BAND: TEMP=340;\n");
  EXPECT_EQ(d.run.recomb.TEMP, 330);
}

TEST(DeckChecks, MeshCountsAndSolutionSourceStopAfterTheDeck) {
  EXPECT_EQ(stop_message("MESH: NX=2 NY=2;\n$"), "");
  EXPECT_EQ(stop_message("MESH: NX=1;\n$"), " MESH: NX and NY must be at least 2 (NX = 1, NY = 30)");
  EXPECT_EQ(stop_message("MESH: NY=-3;\n$"), " MESH: NX and NY must be at least 2 (NX = 4, NY = -3)");
  EXPECT_EQ(stop_message("MESH: NX=50000 NY=50000;\n$"),
            " MESH: NX*NY = 2500000000 nodes is more than a run can hold");
  // A too small mesh given first and mended later is fine: the final counts decide.
  EXPECT_EQ(stop_message("MESH: NX=1;\nMESH: NX=3;\n$"), "");
  // No stored solution exists to start from.
  EXPECT_EQ(stop_message("SOLV: READ=1;\n$"),
            " SOLV: READ=1 asks for a stored solution, which this program cannot load");
}

}  // namespace
