// The I-V table file ".2D" byte for byte: headers, rows, the header carried
// on past 25 columns, curves of one and no point, and the file rewritten
// with more curves.
#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/output/iv_table.hpp"
#include "device_deck_run.hpp"
#include "support.hpp"

namespace {

using testing_support::read_file;
using testing_support::ScratchDir;

std::string sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Source and drain; curve 1 ramps the drain over three points, curve 2
// ramps the source and has one point, curve 3 has none.
const char* const kTwoElectrodeDeck =
    "OHMI: NAME='Source' NUM=1; OHMI: NAME='Drain' NUM=2 }\n"
    "IVDA: TEXT='Id-Vd' NUMC=2 NPNT=3 VSTE=0.5; IVDA: TEXT='one point' NUMC=1 NPNT=1;\n"
    "IVDA: TEXT='none' NUMC=2 NPNT=0 }\n$";

// Every entry starts as 7, so a value taken from a wrong entry shows.
void fill_results(devora::IvResults& iv) {
  std::fill(iv.IVRES.begin(), iv.IVRES.end(), 7.0);
  struct Point {
    double vs, vd, is, id;
    int status;
  };
  const Point points[] = {{0.0, 0.0, 0.0, 0.0, 0},
                          {0.0, 0.5, -1e-6, 1e-6, 1},
                          {0.0, 1.0, -3e-6, 3e-6, 2},
                          {-1.5, 2.0, 1.25e-12, -1.25e-12, 0}};
  for (std::size_t e = 0; e < 4; ++e) {
    iv.voltage(e, 0) = points[e].vs, iv.voltage(e, 1) = points[e].vd;
    iv.current(e, 0) = points[e].is, iv.current(e, 1) = points[e].id;
    iv.gummel_status(e) = points[e].status;
  }
  iv.transconductance(0, 0) = -2e-6, iv.transconductance(0, 1) = 2e-6;
  iv.mean_ramp_voltage(0) = 0.25, iv.resistance(0) = 5e5;
  iv.transconductance(1, 0) = -4e-6, iv.transconductance(1, 1) = 4e-6;
  iv.mean_ramp_voltage(1) = 0.75, iv.resistance(1) = 2.5e5;
}

// A free-format line of two 4-byte integers: each right-justified in 12 columns.
std::string count_line(int columns, int rows) {
  std::ostringstream line;
  line << ' ' << std::setw(12) << columns << std::setw(12) << rows << '\n';
  return line.str();
}

const std::string kIvHeader = " 1 #    2 STATUS     3" + sp(16) + "VS   4" + sp(16) + "VD   5" + sp(16) + "IS   6" +
                              sp(16) + "ID\n";
const std::string kDrainHeader =
    " 1  #   2     VD     3" + sp(15) + "GSD   4" + sp(15) + "GDD   5" + sp(15) + "RDD\n";

std::string curve_1() {
  return " I-V Data for Id-Vd" + sp(75) + "\n" + count_line(6, 3) + kIvHeader +
         "    1          0    0.00000000000000E+00  0.00000000000000E+00  0.00000000000000E+00  "
         "0.00000000000000E+00\n"
         "    2          1    0.00000000000000E+00  5.00000000000000E-01 -1.00000000000000E-06  "
         "1.00000000000000E-06\n"
         "    3          2    0.00000000000000E+00  1.00000000000000E+00 -3.00000000000000E-06  "
         "3.00000000000000E-06\n"
         " Transconductance for Id-Vd" +
         sp(75) + "\n" + count_line(5, 2) + kDrainHeader +
         "    1      0.250   -2.00000000000000E-06  2.00000000000000E-06  5.00000000000000E+05\n"
         "    2      0.750   -4.00000000000000E-06  4.00000000000000E-06  2.50000000000000E+05\n";
}

TEST(IvTableFile, CurvesWrittenByteForByteAndRewritten) {
  ScratchDir dir;
  DeckRun d(kTwoElectrodeDeck);
  fill_results(d.run.iv);
  const auto file = dir / "MOS.2D";
  d.run.filenames.iv_table() = sim::fixed(file.string(), 80);

  devora::UITAB(d.run, 1);
  EXPECT_EQ(read_file(file), " " + sp(11) + "2\n" + curve_1());

  // After three curves the file holds curve 1 unchanged, then the one-point
  // curve (ramping the source, no transconductance rows) and the empty one.
  devora::UITAB(d.run, 3);
  const std::string curve_2 =
      " I-V Data for one point" + sp(71) + "\n" + count_line(6, 1) + kIvHeader +
      "    1          0   -1.50000000000000E+00  2.00000000000000E+00  1.25000000000000E-12 "
      "-1.25000000000000E-12\n"
      " Transconductance for one point" +
      sp(71) + "\n" + count_line(5, 0) + " 1  #   2     VS     3" + sp(15) + "GSS   4" + sp(15) + "GDS   5" +
      sp(15) + "RSS\n";
  const std::string curve_3 = " I-V Data for none" + sp(76) + "\n" + count_line(6, 0) + kIvHeader +
                              " Transconductance for none" + sp(76) + "\n" + count_line(5, 0) + kDrainHeader;
  EXPECT_EQ(read_file(file), " " + sp(11) + "6\n" + curve_1() + curve_2 + curve_3);

  // A result that is not finite is never written: a stop naming it, the last file kept.
  const std::string written = read_file(file);
  d.run.iv.current(1, 1) = std::numeric_limits<double>::infinity();
  try {
    devora::UITAB(d.run, 3);
    ADD_FAILURE() << "an infinite current was written";
  } catch (const sim::FatalStop& stop) {
    EXPECT_EQ(std::string(stop.what()), " I-V table file " + file.string() +
                                            " not written: the current of electrode 2 of result point 2 is not "
                                            "finite (NaN or Inf); the last file written is kept");
  }
  EXPECT_EQ(read_file(file), written);
}

// Thirteen electrodes, the first named with a leading blank: the I-V header
// carries its 26th column on a second line, the data row stays on one.
TEST(IvTableFile, HeaderContinuesAfter25ColumnsAndBlankNamesKeepTheirBlank) {
  ScratchDir dir;
  std::string deck = "OHMI: NAME=' B' NUM=1";
  for (int k = 2; k <= 13; ++k)
    deck += "; OHMI: NAME='" + std::string(1, static_cast<char>('A' + k)) + "' NUM=" + std::to_string(k);
  DeckRun d(deck + " }\nIVDA: TEXT='wide' NUMC=1 NPNT=1 }\n$");
  d.run.iv.voltage(0, 12) = 1.0;
  const auto file = dir / "WIDE.2D";
  d.run.filenames.iv_table() = sim::fixed(file.string(), 80);
  devora::UITAB(d.run, 1);

  const std::vector<std::string> lines = lines_of(read_file(file));
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[2], " " + sp(10) + "28" + sp(11) + "1");
  EXPECT_EQ(lines[3].size(), 18u + 25u * 22u);
  EXPECT_EQ(lines[3].substr(0, 62), " 1 #    2 STATUS     3" + sp(16) + "V    4" + sp(16) + "VC");
  EXPECT_EQ(lines[3].substr(lines[3].size() - 22), "  27" + sp(16) + "IM");
  EXPECT_EQ(lines[4], "  28" + sp(16) + "IN");
  EXPECT_EQ(lines[5].size(), 18u + 26u * 22u);
  EXPECT_EQ(lines[5].substr(18 + 12 * 22, 22), "  1.00000000000000E+00");
  EXPECT_EQ(lines[7], " " + sp(10) + "16" + sp(11) + "0");
  EXPECT_EQ(lines[8].size(), 18u + 14u * 22u);
  EXPECT_EQ(lines[8].substr(0, 62), " 1  #   2     V      3" + sp(15) + "G     4" + sp(15) + "GC ");
  EXPECT_EQ(lines[8].substr(lines[8].size() - 22), "  16" + sp(15) + "R  ");
}

}  // namespace
