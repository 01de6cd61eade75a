#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/fortran_format.hpp"
#include "process/listing.hpp"
#include "support.hpp"

namespace {

using testing_support::read_file;
using testing_support::ScratchDir;
using testing_support::write_file;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A 3 by 2 boron listing after a dry oxidation.
struct SmallListing {
  std::vector<float> x{0.0f, 0.5f, 1.0f}, y{0.0f, 2.0f};
  std::vector<float> oxide{0.01f, 0.02f, 0.0f};
  std::vector<int> rows{1, 2, 3};
  std::vector<float> conc{1e15f, 0.0f, -5.0f, 2.5e16f, 1e20f, 3e17f};
  tavik::ListingInput input() const {
    tavik::ListingInput in;
    in.NX = 3;
    in.NY = 2;
    in.dopant = 2;
    in.header = "METH=TEST; PROJ=LISTING;";
    in.width = 1.0f;
    in.depth = 2.0f;
    in.x = x;
    in.y = y;
    in.time = 1800.7f;
    in.temperature = 1000.9f;
    in.oxidation_count = 1;
    in.oxidation_kind = 1;
    in.pressure = 1.0f;
    in.oxide = oxide;
    in.surface_rows = rows;
    in.concentration = conc;
    return in;
  }
};

const std::string kHeaderLine = "METH=TEST; PROJ=LISTING;" + std::string(56, ' ');

std::string listing_text(const tavik::ListingInput& in) {
  ScratchDir dir;
  tavik::WRLIST(dir / "BORON.LST", in);
  return read_file(dir / "BORON.LST");
}

TEST(Listing, DryOxidationListingByteForByte) {
  const SmallListing s;
  const std::string expected =
      "                   Tavik - two-dimensional process simulator, version 1.0\n" +
      kHeaderLine + "\n" +
      "     Table of boron concentration\n"
      "  Domain size (X-width x Y-depth),mcm  1.000E+00 x  2.000E+00\n"
      "  Mesh  number  of  nodes  ( X  x Y )      3  x    2\n"
      "   Mesh node coordinates, X-direction, mcm\n"
      "   0.00E+00  5.00E-01  1.00E+00\n"
      "   Mesh node coordinates, Y-direction, mcm\n"
      "   0.00E+00  2.00E+00\n"
      "  Time of annealing   1800 seconds at  1000 Cels\n"
      "  Dry oxigen,  1.00E+00 Atm\n"
      "             Oxide thickness\n"
      "   1.00E-02  2.00E-02  0.00E+00\n"
      "             Surface nodes\n"
      "    1   2   3\n"
      "             Concentration (cm^-3)\n"
      "    1.00E+15  1.00E-09  1.00E-09\n"
      "    2.50E+16  1.00E+20  3.00E+17\n";
  EXPECT_EQ(listing_text(s.input()), expected);
}

TEST(Listing, AmbientLineAndOxideTables) {
  const SmallListing s;
  struct Case {
    int kind, count, dopant;
    const char* ambient;
    bool tables;
    const char* title;
  };
  for (const Case& c : {
           Case{0, 0, 1, "    Inert ambient", false, "     Table of phosphorus concentration"},
           Case{0, 2, 3, "    Inert ambient", true, "     Table of arsenic concentration"},
           Case{1, 0, 2, "  Dry oxigen,  1.00E+00 Atm", true, "     Table of boron concentration"},
           Case{2, 0, 2, "  Wet ambient,  1.00E+00 Atm", true, "     Table of boron concentration"},
           Case{5, 0, 2, "  Wet ambient,  1.00E+00 Atm", true, "     Table of boron concentration"},
       }) {
    auto in = s.input();
    in.oxidation_kind = c.kind;
    in.oxidation_count = c.count;
    in.dopant = c.dopant;
    const auto lines = lines_of(listing_text(in));
    ASSERT_EQ(lines.size(), c.tables ? 18u : 14u) << "kind " << c.kind;
    EXPECT_EQ(lines[2], c.title);
    EXPECT_EQ(lines[10], c.ambient);
    EXPECT_EQ(lines[11], c.tables ? "             Oxide thickness" : "             Concentration (cm^-3)");
  }
}

TEST(Listing, TimeAndTemperatureAreTruncated) {
  const SmallListing s;
  auto in = s.input();
  in.time = 59.99f;
  in.temperature = -5.9f;
  EXPECT_EQ(lines_of(listing_text(in))[9], "  Time of annealing     59 seconds at    -5 Cels");
  in.time = 1e7f;  // beyond I6
  in.temperature = 1e30f;
  EXPECT_EQ(lines_of(listing_text(in))[9], "  Time of annealing ****** seconds at ***** Cels");
}

TEST(Listing, LongRowsBreakAt8And20And25Values) {
  constexpr int NX = 26;
  std::vector<float> x(NX, 1.0f), y{0.0f, 1.0f}, oxide(NX, 0.5f), conc(2 * NX, 2.0f);
  std::vector<int> rows(NX, 7);
  const SmallListing s;
  auto in = s.input();
  in.NX = NX;
  in.x = x;
  in.y = y;
  in.oxide = oxide;
  in.surface_rows = rows;
  in.concentration = conc;
  const auto lines = lines_of(listing_text(in));
  auto count_fields = [](const std::string& line, const std::string& field) {
    std::size_t n = 0;
    for (auto at = line.find(field); at != std::string::npos; at = line.find(field, at + 1)) ++n;
    return n;
  };
  // X coordinates: 8, 8, 8, 2 values, each line led by one blank.
  ASSERT_EQ(lines[5], "   Mesh node coordinates, X-direction, mcm");
  for (int l = 6; l <= 8; ++l) {
    EXPECT_EQ(lines[l].size(), 81u);
    EXPECT_EQ(count_fields(lines[l], "  1.00E+00"), 8u);
  }
  EXPECT_EQ(lines[9], "   1.00E+00  1.00E+00");
  EXPECT_EQ(lines[10], "   Mesh node coordinates, Y-direction, mcm");
  // Oxide thickness 8 per line (4 lines), surface rows 20 per line (2 lines).
  EXPECT_EQ(lines[14], "             Oxide thickness");
  EXPECT_EQ(lines[15], "   5.00E-01  5.00E-01  5.00E-01  5.00E-01  5.00E-01  5.00E-01  5.00E-01  5.00E-01");
  EXPECT_EQ(lines[18], "   5.00E-01  5.00E-01");
  EXPECT_EQ(lines[19], "             Surface nodes");
  std::string sevens = " ";
  for (int k = 0; k < 20; ++k) sevens += "   7";
  EXPECT_EQ(lines[20], sevens);
  EXPECT_EQ(lines[21], "    7   7   7   7   7   7");
  // The table: per mesh row 25 values and then 1, each line led by two blanks.
  EXPECT_EQ(lines[22], "             Concentration (cm^-3)");
  ASSERT_EQ(lines.size(), 27u);
  for (int l : {23, 25}) {
    EXPECT_EQ(lines[l].size(), 2u + 25u * 10u);
    EXPECT_EQ(count_fields(lines[l], "  2.00E+00"), 25u);
    EXPECT_EQ(lines[l + 1], "    2.00E+00");
  }
}

TEST(Listing, RewritingReplacesTheWholeFile) {
  ScratchDir dir;
  write_file(dir / "OLD.LST", std::string(5000, 'x'));
  const SmallListing s;
  tavik::WRLIST(dir / "OLD.LST", s.input());
  EXPECT_EQ(read_file(dir / "OLD.LST"), listing_text(s.input()));
}

TEST(Listing, RejectsUnknownCodesAndSizesBeforeWriting) {
  ScratchDir dir;
  const SmallListing s;
  auto bad_dopant = s.input();
  bad_dopant.dopant = 4;
  auto bad_kind = s.input();
  bad_kind.oxidation_kind = -1;
  auto bad_size = s.input();
  bad_size.NY = 3;
  for (const auto& in : {bad_dopant, bad_kind, bad_size}) {
    EXPECT_THROW(tavik::WRLIST(dir / "BAD.LST", in), std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(dir / "BAD.LST"));
  }
}

TEST(ConsolePrinters, Logprt1Writes13ValuesPerLine) {
  std::vector<float> a(2 * 14, 1.0f);
  a[13] = -2.5e-3f;
  a[14] = 0.0f;
  std::ostringstream out;
  tavik::LOGPRT1(out, 14, 2, a);
  const auto lines = lines_of(out.str());
  ASSERT_EQ(lines.size(), 4u);
  std::string ones = "  ";
  for (int k = 0; k < 13; ++k) ones += " 1.00E+00";
  EXPECT_EQ(lines[0], ones);
  EXPECT_EQ(lines[1], "  -2.50E-03");
  EXPECT_EQ(lines[2].substr(0, 20), "   0.00E+00 1.00E+00");
  EXPECT_EQ(lines[3], "   1.00E+00");
}

TEST(ConsolePrinters, Logprt2WritesIntegerParts60PerLine) {
  std::vector<float> a(61 + 61, 1.9f);
  a[0] = 15.7f;
  a[1] = -3.2f;
  a[2] = 100.0f;  // beyond I2
  a[60] = 9.99f;
  std::ostringstream out;
  tavik::LOGPRT2(out, 61, 2, a);
  const auto lines = lines_of(out.str());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], " Common logarithm of concentrations");
  EXPECT_EQ(lines[1].size(), 2u + 120u);
  EXPECT_EQ(lines[1].substr(0, 10), "  15-3** 1");
  EXPECT_EQ(lines[2], "   9");
  EXPECT_EQ(lines[4], "   1");
}

TEST(ConsolePrinters, DbgtenDumpsTenArraysInFreeFormat) {
  std::array<std::vector<float>, 10> data;
  std::array<std::span<const float>, 10> arrays;
  for (std::size_t a = 0; a < 10; ++a) {
    data[a] = {1.0f * static_cast<float>(a), 0.5f, 2.0f, 3.0f, 4.0f, 99.0f};  // 99 lies beyond N
    arrays[a] = data[a];
  }
  std::ostringstream out;
  tavik::DBGTEN(out, arrays, 5);
  const auto lines = lines_of(out.str());
  ASSERT_EQ(lines.size(), 1u + 10u * 3u);
  EXPECT_EQ(lines[0], "New Array");
  namespace ftn = sim::ftn;
  for (std::size_t a = 0; a < 10; ++a) {
    // Five items of 17 columns: four fit in a record of 80, the fifth wraps.
    const std::size_t l = 1 + 3 * a;
    EXPECT_EQ(lines[l], " " + ftn::list_item(static_cast<float>(a)) + ftn::list_item(0.5f) +
                            ftn::list_item(2.0f) + ftn::list_item(3.0f));
    EXPECT_EQ(lines[l + 1], " " + ftn::list_item(4.0f));
    EXPECT_EQ(lines[l + 2], "");
  }
  EXPECT_EQ(lines[1].substr(0, 18), "    0.00000000    ");
}

TEST(ConsolePrinters, RejectMismatchedSizes) {
  std::vector<float> a(5);
  std::ostringstream out;
  EXPECT_THROW(tavik::LOGPRT1(out, 2, 3, a), std::invalid_argument);
  EXPECT_THROW(tavik::LOGPRT2(out, 3, 2, a), std::invalid_argument);
  EXPECT_THROW(tavik::WRLTAB(out, 1, 6, a), std::invalid_argument);
  std::array<std::span<const float>, 10> arrays;
  arrays.fill(a);
  EXPECT_THROW(tavik::DBGTEN(out, arrays, 6), std::invalid_argument);
  EXPECT_TRUE(out.str().empty());
}

}  // namespace
