// The device deck's list statements: the tables they build, their checks
// and messages, their capacities, and the spectrum-file line count.
#include <gtest/gtest.h>

#include "device_deck_run.hpp"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "device/devora.hpp"
#include "device/run_state.hpp"
#include "device/setup/spectrum_count.hpp"
#include "support.hpp"

namespace {

using devora::DeviceRun;
using testing_support::run_program;
using testing_support::ScratchDir;
using testing_support::write_file;


struct Stop {
  std::string message;  // "" when the deck reads to its end
  std::string console;  // what was written before the stop
};

Stop stop_of(const std::string& deck) {
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  try {
    DeviceRun run(console);
    devora::setup_deck_tables(run);
    std::istringstream text(deck);
    devora::read_device_deck(run, text);
  } catch (const sim::FatalStop& stop) {
    return {stop.what(), out.str()};
  }
  return {"", out.str()};
}

std::string pad(std::string s, std::size_t width = 40) {
  s.resize(std::max(s.size(), width), ' ');
  return s;
}

// n items of one list statement; `item(i)` is the text of item i (1-based).
template <class Item>
std::string list_of(int n, Item item) {
  std::string deck;
  for (int i = 1; i <= n; ++i) deck += item(i) + (i == n ? " }\n" : ";\n");
  return deck;
}

std::string electrodes(int n) {
  return list_of(n, [](int i) { return "OHMI: NAME='E" + std::to_string(i) + "' NUM=" + std::to_string(i); });
}

const std::string kBanner = " Devora - two-dimensional device simulator, version 1.0\n\n";

// ---------------------------------------------------------------------------

TEST(BoxLists, DopingItemsMixBoxAndFileProfiles) {
  DeckRun d(
      "DOPA: DOP=1E18 XLFT=0.1 XRGT=0.5 YTOP=0 YBOT=0.3 ALX=0.05 ALY=0.04 COMM='n well';\n"
      "DOPF: DOP=-2E17 DFIL='profile.txt' EXPY=4;\n"
      "}\n$");
  const devora::DOPBOX& b = d.run.dopbox;
  ASSERT_EQ(b.NDOP, 2);
  EXPECT_EQ(b.DOP, (std::vector<double>{1e18, -2e17}));
  EXPECT_EQ(b.XLFT[0], 0.1);
  EXPECT_EQ(b.XRGT[0], 0.5);
  EXPECT_EQ(b.YBOT[0], 0.3);
  EXPECT_EQ(b.ALX[0], 0.05);
  EXPECT_EQ(b.ALY[0], 0.04);
  EXPECT_EQ(b.IWEL, (std::vector<int>{3, -3}));
  EXPECT_EQ(b.EXPX, (std::vector<double>{2, 2}));
  EXPECT_EQ(b.EXPY, (std::vector<double>{2, 4}));
  EXPECT_EQ(b.DFIL[0], std::string(80, ' '));
  EXPECT_EQ(b.DFIL[1], sim::fixed("profile.txt", 80));
  EXPECT_EQ(d.run.igrid.DOPMOD, 1);
}

TEST(BoxLists, OneItemEndedByBraceAndTheNextStatementFollows) {
  DeckRun d("DOPF: DOP=1E15 IWEL=2.7 }\nBAND: TEMP=310;\n$");
  EXPECT_EQ(d.run.dopbox.NDOP, 1);
  EXPECT_EQ(d.run.dopbox.IWEL[0], -2);
  EXPECT_EQ(d.run.recomb.TEMP, 310);
}

TEST(BoxLists, GenerationItemsHaveNoShapeDefaults) {
  DeckRun d("DOPN: FILE='x.3D';\nPHOT: RATE=1E20 XRGT=1;\nPHOF: RATE=5E19 IWEL=2 DFIL='g.txt';\nPHOT: ; }\n$");
  const devora::PHOBOX& p = d.run.phobox;
  ASSERT_EQ(p.NPHO, 3);
  EXPECT_EQ(p.RATE, (std::vector<double>{1e20, 5e19, 0}));
  EXPECT_EQ(p.IWEL, (std::vector<int>{0, -2, 0}));
  EXPECT_EQ(p.EXPX, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(p.XRGT[0], 1);
  EXPECT_EQ(d.run.igrid.DOPMOD, 2);  // generation boxes leave the doping source alone
}

TEST(ElectrodeList, TypesLabelsAndNumberIndex) {
  DeckRun d(
      "OHMI: NAME='Source' NUM=1 XLT=0 XRT=0.5;\n"
      "GATE: NAME='Gate' NUM=5 TOX=0.02 XQS=0.3 QSH=1E10 FIM=4.1 LOC=1.9;\n"
      "SCHO: NAME='Drain of a long device name' NUM=3 TYPE=5 DUMMY1=7 DUMMY5=8 VSN=1E6 FIB=4.7 }\n$");
  const devora::ELECTAB& e = d.run.electab;
  ASSERT_EQ(e.NEL, 3);
  EXPECT_EQ(e.TYPE, (std::vector<int>{1, 3, 2}));
  EXPECT_EQ(e.NUM, (std::vector<int>{1, 5, 3}));
  EXPECT_EQ(e.LOC, (std::vector<int>{0, 1, 0}));
  EXPECT_EQ(e.NAME[0], sim::fixed("Source", 20));
  EXPECT_EQ(e.NAME[2], "Drain of a long devi");
  EXPECT_EQ(e.XRT[0], 0.5);
  EXPECT_EQ(e.TOX, (std::vector<double>{0, 0.02, 7}));  // Schottky placeholders land here
  EXPECT_EQ(e.QSG[2], 8);
  EXPECT_EQ(e.QSH[1], 1e10);
  EXPECT_EQ(e.XQS[1], 0.3);
  EXPECT_EQ(e.FIM, (std::vector<double>{0, 4.1, 4.7}));
  EXPECT_EQ(e.VSN[2], 1e6);
  EXPECT_EQ(e.VLAB, (std::vector<std::string>{"VS", "VG", "VD"}));
  EXPECT_EQ(e.ILAB, (std::vector<std::string>{"IS", "IG", "ID"}));
  EXPECT_EQ(e.RLAB, (std::vector<std::string>{"RSS", "RGG", "RDD"}));
  ASSERT_EQ(e.GLAB.size(), 9u);
  EXPECT_EQ(e.GLAB[1], "GGS");  // i = 1, j = 2
  EXPECT_EQ(e.GLAB[5], "GDG");  // i = 2, j = 3
  EXPECT_EQ(e.MAXNUM, 5);
  EXPECT_EQ(e.ELIDX, (std::vector<int>{1, 0, 3, 0, 2}));
  EXPECT_EQ(e.VCON.size(), 3u);
  EXPECT_EQ(e.ELAST.size(), 3u);
}

TEST(CurveList, CurvesPointsAndStartVoltagesByRow) {
  DeckRun d(
      "OHMI: NAME='A' NUM=1;\nOHMI: NAME='B' NUM=5;\nGATE: NAME='G' NUM=2 TOX=0.01 }\n"
      "IVDA: TEXT='first' NUMC=5 NPNT=10.7 VSTE=0.1 V1=0.5 V2=1.5;\n"
      "IVDA: NUMC=2 NPNT=5 VSTE=-0.2 V5=3 }\n$");
  const devora::CURVTAB& c = d.run.curvtab;
  ASSERT_EQ(d.run.NCURV, 2);
  EXPECT_EQ(c.TEXT[0], sim::fixed("first", 80));
  EXPECT_EQ(c.TEXT[1], std::string(80, ' '));
  EXPECT_EQ(c.IRAMP, (std::vector<int>{2, 3}));  // rows of numbers 5 and 2
  EXPECT_EQ(c.NPNT, (std::vector<int>{10, 5}));
  EXPECT_EQ(c.VSTE, (std::vector<double>{0.1, -0.2}));
  EXPECT_EQ(c.VSTART, (std::vector<double>{0.5, 0, 1.5, 0, 3, 0}));
  EXPECT_EQ(d.run.comuit.NPTOT, 15);
  EXPECT_EQ(d.run.iv.IVRES.size(), 15u * (3 * 3 + 2));
  EXPECT_EQ(d.run.iv.IVSTAT.size(), 45u);
}

TEST(CurveList, ZeroPointsIsACurve) {
  DeckRun d("OHMI: NAME='A' NUM=1 }\nIVDA: NUMC=1 NPNT=0 }\n$");
  EXPECT_EQ(d.run.NCURV, 1);
  EXPECT_EQ(d.run.comuit.NPTOT, 0);
  EXPECT_TRUE(d.run.iv.IVRES.empty());
  // A huge point count costs no memory before its points are computed.
  DeckRun huge("OHMI: NAME='A' NUM=1 }\nIVDA: NUMC=1 NPNT=2000000000 }\n$");
  EXPECT_EQ(huge.run.comuit.NPTOT, 2000000000);
  EXPECT_LE(huge.run.iv.points(), 10000u);
}

TEST(RegionLists, DefaultsAreTakenWhenTheItemIsRead) {
  DeckRun d(
      "OXID: XRGT=1 YTOP=-0.1 }\nPERM: EPSD=4;\nOXID: XRGT=2; OXID: PMOX=7 NXOX=3.5 COMM='x' VPOB=2 }\n"
      "RCMR: TNRR=1E-6 VPRB=5; RCMR: }\n"
      "REME: NXRM=4 YBOT=0.5 }\n$");
  const devora::OXIDE& o = d.run.oxide;
  ASSERT_EQ(o.NOXR, 2);  // the second list starts again at region 1
  EXPECT_EQ(o.PMOX[0], 4);
  EXPECT_EQ(o.XRGT[0], 2);
  EXPECT_EQ(o.YTOP[0], 0);
  EXPECT_EQ(o.NXOX[0], 5);
  EXPECT_EQ(o.PMOX[1], 7);
  EXPECT_EQ(o.NXOX[1], 3);
  EXPECT_EQ(o.NYOX[1], 5);
  EXPECT_EQ(o.VPOB[1], 2);
  DeckRun before("OXID: }\nPERM: EPSD=4;\n$");
  EXPECT_EQ(before.run.oxide.PMOX[0], 3.9);

  const devora::RCMRG& g = d.run.rcmrg;
  ASSERT_EQ(g.NRC, 2);
  EXPECT_EQ(g.TNRR[0], 1e-6);
  EXPECT_EQ(g.TPRR[0], 1e20);
  EXPECT_EQ(g.VPRB[0], 5);
  EXPECT_EQ(g.TNRR[1], 1e20);
  const devora::REMCOM& m = d.run.remcom;
  ASSERT_EQ(m.NREM, 1);
  EXPECT_EQ(m.NXRM[0], 4);
  EXPECT_EQ(m.NYRM[0], 1);
  EXPECT_EQ(m.YBOT[0], 0.5);
}

TEST(ListReading, StraySemicolonsAreSkippedAndDollarEndsListAndDeck) {
  DeckRun d("DOPA: DOP=1;\n;\n ; DOPA: DOP=2;\n$ DOPA: DOP=3; }\nBAND: TEMP=400;\n");
  EXPECT_EQ(d.run.dopbox.DOP, (std::vector<double>{1, 2}));
  EXPECT_EQ(d.run.recomb.TEMP, 300);
  DeckRun inside("REME: NXRM=2; REME: NXRM=3 $");
  EXPECT_EQ(inside.run.remcom.NREM, 2);
  EXPECT_EQ(inside.run.remcom.NXRM[1], 3);
}

// ---------------------------------------------------------------------------
// Light sources and spectrum files.

class LightSources : public ::testing::Test {
 protected:
  void SetUp() override {
    write_file(dir / "sun.txt", "header line\n400 1 1e4 1 0 0\n500,2,1e3,1,0,0\n600 3 1D2\n 1 0 0\n"
                                "the end\n700 4 1 1 0 0\n");
    write_file(dir / "lamp.txt", "header\n800 1 10 1 0 0\n");
  }
  std::string file(const std::string& name) const { return (dir / name).string(); }
  ScratchDir dir;
};

TEST_F(LightSources, SourcesTakeTheCurrentGeometryAndCountTheirLines) {
  DeckRun d("MESH: XX=3 YY=4 NY=5;\n"
            "LSRC: SFIL='" + file("sun.txt") + "' FLUX=0.1 NSPC=99 YTOP=0.5;\n"
            "LSRC: SFIL='" + file("lamp.txt") + "' FLUX=2 ITLT=3.9 XLFT=1 TRAN=0.5 REFL=0.2 TRFL=0.1 }\n"
            "MESH: XX=9 NY=7;\n$");
  const devora::LSRCTAB& s = d.run.lsrctab;
  ASSERT_EQ(s.NLSRC, 2);
  EXPECT_EQ(s.NSPC, (std::vector<int>{3, 1}));  // counted, not the deck's 99
  EXPECT_EQ(s.ITLT, (std::vector<int>{1, 3}));
  EXPECT_EQ(s.XLFT, (std::vector<double>{0, 1}));
  EXPECT_EQ(s.XRGT, (std::vector<double>{3, 3}));  // XX when the list was read
  EXPECT_EQ(s.YTOP, (std::vector<double>{0.5, 0}));
  EXPECT_EQ(s.YBOT, (std::vector<double>{4, 4}));
  EXPECT_EQ(s.FLUX, (std::vector<double>{0.1, 2}));
  EXPECT_EQ(s.TRAN, (std::vector<double>{1, 0.5}));
  EXPECT_EQ(s.REFL, (std::vector<double>{0, 0.2}));
  EXPECT_EQ(s.TRFL, (std::vector<double>{0, 0.1}));
  EXPECT_EQ(s.SFIL[1], sim::fixed(file("lamp.txt"), 80));
  EXPECT_EQ(s.spectral_lines.size(), 6u * 4);
  EXPECT_EQ(s.GENW.size(), 2u * 7);  // sized with the final NY
  EXPECT_EQ(d.out.str(), " Spectrum file" + sim::fixed(file("sun.txt"), 80) + " number of lines            3\n" +
                             " Spectrum file" + sim::fixed(file("lamp.txt"), 80) +
                             " number of lines            1\n");
}

TEST_F(LightSources, SpectralLinesReadAsFreeFormatRecords) {
  std::istringstream in("1 2 3 4 5 6 trailing text\n1.5D1, 2\n\n3 4 5 6\n1 2 x 4 5 6\n");
  devora::SpectralLine line{};
  ASSERT_TRUE(devora::read_spectral_line(in, line));
  EXPECT_EQ(line, (devora::SpectralLine{1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(devora::read_spectral_line(in, line));
  EXPECT_EQ(line, (devora::SpectralLine{15, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(devora::read_spectral_line(in, line));
  EXPECT_FALSE(devora::read_spectral_line(in, line));  // end of file
}

TEST_F(LightSources, MissingFileNameFluxOrFileStop) {
  EXPECT_EQ(stop_of("LSRC: FLUX=1 }\n$").message, " Light source 1 of the LSRC list gives no SFIL");
  // The second source must not borrow the first one's flux.
  EXPECT_EQ(stop_of("LSRC: SFIL='" + file("lamp.txt") + "' FLUX=1; LSRC: SFIL='" + file("lamp.txt") + "' }\n$")
                .message,
            " Light source 2 of the LSRC list gives no FLUX");
  // A missing file and a folder both stop, naming it.
  for (const std::string& missing : {file("none.txt"), dir.path().string()})
    EXPECT_EQ(stop_of("LSRC: SFIL='" + missing + "' FLUX=1 }\n$").message,
              " Check spectrum file " + sim::fixed(missing, 80) + "Press <Enter> to continue");
  EXPECT_EQ(stop_of("LSRC: SFIL='" + file("lamp.txt") + "' FLUX=1 }\nLSRC: SFIL='" + file("lamp.txt") +
                    "' FLUX=1 }\n$")
                .message,
            pad(" Not enough memory for photo spectra data arrays", 49));
}

// ---------------------------------------------------------------------------
// Failures: every message of the list statements, in-process.

TEST(ListFailures, MessagesOfTheFailureTable) {
  struct Case {
    std::string deck, message, console;
  };
  const std::string two = "OHMI: NAME='S' NUM=1; OHMI: NAME='D' NUM=5 }\n";
  const std::vector<Case> cases = {
      {"DOPA: }\nDOPA: }\n$", pad(" Not enough memory for doping arrays"), ""},
      {"PHOT: }\nPHOF: }\n$", pad(" Not enough memory for photo arrays"), ""},
      {two + "GATE: NUM=2 TOX=1 }\n$", pad(" Not enough memory for electrode arrays"), ""},
      {"OHMI: NUM=1; SCHO: NUM=2; OHMI: NUM=1 }\n$", pad(" Different contacts have same number"), ""},
      {two + "IVDA: NUMC=1 V6=1 }\n$", pad(" Undefined electrode number", 42), ""},
      {two + "IVDA: NUMC=1 V3=1 }\n$", pad(" Undefined electrode number"),
       "  Voltage for electrode            3\n"},
      {"IVDA: NUMC=1 }\n$", pad(" Number of electrodes < 1"), ""},
      {"IVDA: V1=1 }\n$", pad(" Undefined electrode number", 42), ""},
      {electrodes(21) + "IVDA: NUMC=1 }\n$", pad(" Number of electrodes        > 20"), ""},
      {two + "IVDA: NUMC=3 }\n$", pad(" Undefined ramped electrode number"), ""},
      {two + "IVDA: NUMC=6 }\n$", pad(" Undefined ramped electrode number"), ""},
      {two + "IVDA: NUMC=1 }\nIVDA: NUMC=1 }\n$", pad(" Not enough memory for I-V data arrays"), ""},
  };
  for (const Case& c : cases) {
    const Stop s = stop_of(c.deck);
    EXPECT_EQ(s.message, c.message) << c.deck;
    EXPECT_EQ(s.console, c.console) << c.deck;
  }
}

TEST(ListFailures, FaultsTheListsNowRefuse) {
  struct Case {
    std::string deck, message;
  };
  const std::string one = "OHMI: NAME='S' NUM=1 }\n";
  const std::vector<Case> cases = {
      {"OHMI: NAME='Sub' LOC=2 }\n$", " Electrode Sub: NUM must be given and lie between 1 and 9999"},
      {"OHMI: NAME='S' NUM=-1 }\n$", " Electrode S: NUM must be given and lie between 1 and 9999"},
      {"OHMI: NAME='S' NUM=10000 }\n$", " Electrode S: NUM must be given and lie between 1 and 9999"},
      {"OHMI: NUM=0; OHMI: NUM=0 }\n$", pad(" Different contacts have same number")},
      {"GATE: NAME='G' NUM=1 }\n$", " Gate electrode G: oxide thickness TOX must be > 0"},
      {"GATE: NAME='G' NUM=1 TOX=-0.01 }\n$", " Gate electrode G: oxide thickness TOX must be > 0"},
      {one + "IVDA: NPNT=3 }\n$", pad(" Undefined ramped electrode number")},
      {one + "IVDA: NUMC=0.5 }\n$", pad(" Undefined ramped electrode number")},
      {one + "IVDA: NUMC=-1 }\n$", pad(" Undefined ramped electrode number")},
      {one + "IVDA: NUMC=1 NPNT=2; IVDA: NUMC=1 NPNT=-1 }\n$", " I-V curve 2: number of points NPNT < 0"},
      {"DOPA: DOP=1;\nBAND: TEMP=300;\n$", " Keyword BAND inside the DOPA list: close the list with }"},
      {"OHMI: NUM=1;\nIVDA: NUMC=1 }\n$", " Keyword IVDA inside the OHMI list: close the list with }"},
      {"PHOT: ;\nDOPF: ; }\n$", " Keyword DOPF inside the PHOT list: close the list with }"},
      {"DOPA: IWEL=3E9 }\n$", " Error read value IWEL   Directive DOPA  "},
  };
  for (const Case& c : cases) EXPECT_EQ(stop_of(c.deck).message, c.message) << c.deck;
}

// Each list holds its capacity and refuses the item past it by name.
TEST(ListCapacities, AtTheLimitAndOnePast) {
  struct Case {
    std::string keyword;
    int capacity;
    std::string word;
    std::function<std::string(int)> item;
  };
  ScratchDir dir;
  write_file(dir / "s.txt", "h\n1 1 1 1 0 0\n");
  const std::string spectrum = (dir / "s.txt").string();
  const auto plain = [](const std::string& kw) { return [kw](int) { return kw + ": "; }; };
  const std::vector<Case> cases = {
      {"DOPA", 40, "items", plain("DOPA")},
      {"PHOT", 40, "items", plain("PHOF")},
      {"OHMI", 40, "electrodes",
       [](int i) { return "OHMI: NAME='E' NUM=" + std::to_string(i); }},
      {"OXID", 100, "regions", plain("OXID")},
      {"RCMR", 100, "regions", plain("RCMR")},
      {"REME", 20, "regions", plain("REME")},
      {"LSRC", 11, "light sources", [&](int) { return "LSRC: SFIL='" + spectrum + "' FLUX=1"; }},
  };
  for (const Case& c : cases) {
    const auto item = [&](int i) { return i == 1 ? c.keyword + ": " + c.item(i).substr(5) : c.item(i); };
    EXPECT_EQ(stop_of(list_of(c.capacity, item) + "$").message, "") << c.keyword;
    EXPECT_EQ(stop_of(list_of(c.capacity + 1, item) + "$").message,
              " Too many " + c.word + " in the " + c.keyword + " list: at most " + std::to_string(c.capacity))
        << c.keyword;
  }
  // Curves: 40 fit, the 41st is refused.
  const auto curve = [](int) { return std::string("IVDA: NUMC=1 NPNT=1"); };
  EXPECT_EQ(stop_of(electrodes(1) + list_of(40, curve) + "$").message, "");
  EXPECT_EQ(stop_of(electrodes(1) + list_of(41, curve) + "$").message,
            " Too many curves in the IVDA list: at most 40");
  // Twenty electrodes can be driven by a curve.
  DeckRun twenty(electrodes(20) + "IVDA: NUMC=20 V20=2 }\n$");
  EXPECT_EQ(twenty.run.curvtab.VSTART[19], 2);
}

// ---------------------------------------------------------------------------
// As a user meets them: the message on the console and exit status 1.

TEST(ListFailuresEndToEnd, MessageAndExitStatus) {
  ScratchDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"OHMI: NAME='A' NUM=1; OHMI: NAME='B' NUM=5 }\nIVDA: NUMC=1 V3=1 }\n$\n",
       "  Voltage for electrode            3\n" + pad(" Undefined electrode number") + "\n"},
      {"DOPA: DOP=1;\nMESH: NX=3;\n$\n", " Keyword MESH inside the DOPA list: close the list with }\n"},
      {"MESH: NX=1;\n$\n", " MESH: NX and NY must be at least 2 (NX = 1, NY = 30)\n"},
  };
  for (const auto& [deck, output] : cases) {
    write_file(dir / "LIST.INP", deck);
    const auto r = run_program(DEVORA_EXE, "LIST.INP", dir.path());
    EXPECT_EQ(r.exit_status, 1) << deck;
    EXPECT_EQ(r.output, kBanner + output) << deck;
  }
}

TEST(AllStatementsExample, ReadsEveryStatement) {
  ScratchDir dir;
  for (const char* f : {"all_statements.INP", "all_statements.SPC", "all_statements.PRF"})
    std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / f, dir / f);
  const auto r = run_program(DEVORA_EXE, "all_statements.INP", dir.path());
  EXPECT_EQ(r.exit_status, 0) << r.output;

  // Every keyword of the table starts a statement or an item of the deck.
  const std::string deck = testing_support::read_file(dir / "all_statements.INP");
  const sim::StatementTable table = devora::device_statement_table();
  for (const std::string_view kw : table.keywords) {
    std::string start(1, '\n');
    start.append(kw).push_back(':');
    EXPECT_NE(deck.find(start), std::string::npos) << kw;
  }

  // In-process the spectrum file is named by its full path.
  std::string local = deck;
  const std::string spectrum = "'all_statements.SPC'";
  const std::string full = (dir / "all_statements.SPC").string();
  local.replace(local.find(spectrum), spectrum.size(), std::string("'").append(full).append("'"));
  DeckRun d(local);
  EXPECT_EQ(d.run.dopbox.NDOP, 3);
  EXPECT_EQ(d.run.phobox.NPHO, 2);
  EXPECT_EQ(d.run.electab.NEL, 4);
  EXPECT_EQ(d.run.electab.TYPE, (std::vector<int>{1, 3, 2, 1}));
  EXPECT_EQ(d.run.NCURV, 2);
  EXPECT_EQ(d.run.comuit.NPTOT, 11);
  EXPECT_EQ(d.run.oxide.NOXR, 1);
  EXPECT_EQ(d.run.rcmrg.NRC, 1);
  EXPECT_EQ(d.run.remcom.NREM, 1);
  EXPECT_EQ(d.run.lsrctab.NSPC, (std::vector<int>{3}));
  EXPECT_EQ(d.run.igrid.DOPMOD, 1);
  EXPECT_EQ(d.run.igrid.MOBMOD, 3);
  EXPECT_EQ(d.run.hdrtext.METH, "ALLSTMT ");
}

}  // namespace
