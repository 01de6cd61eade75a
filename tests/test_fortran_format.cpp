#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "common/fortran_format.hpp"

namespace {

namespace ftn = sim::ftn;

struct IntCase {
  long long value;
  int w;
  const char* expected;
};

TEST(FortranFormat, IntegerEdit) {
  const std::vector<IntCase> cases = {
      {-123, 4, "-123"}, {12345, 4, "****"}, {-1234, 4, "****"}, {-5, 3, " -5"},
      {0, 1, "0"},       {7, 4, "   7"},    {-42, 0, "-42"},     {2147483647, 12, "  2147483647"},
  };
  for (const auto& c : cases) EXPECT_EQ(ftn::I(c.value, c.w), c.expected) << "I" << c.w << " of " << c.value;
}

struct FixedCase {
  double value;
  int w, d;
  const char* expected;
};

TEST(FortranFormat, FixedEdit) {
  const std::vector<FixedCase> cases = {
      {3.14159, 6, 4, "3.1416"},
      {12.3456, 8, 3, "  12.346"},
      {-1234.5678, 8, 3, "********"},
      {-1234.5678, 9, 3, "-1234.568"},
      // leading zero only when there is room for it
      {0.5, 5, 3, "0.500"},
      {0.5, 4, 3, ".500"},
      {0.5, 3, 3, "***"},
      {-0.5, 6, 3, "-0.500"},
      {-0.5, 5, 3, "-.500"},
      {-0.2, 3, 1, "-.2"},
      // no decimals: the point stays, a zero keeps its digit
      {2.0, 3, 0, " 2."},
      {0.4, 2, 0, "0."},
      {0.0, 1, 0, "*"},
      {2.5, 3, 0, " 3."},
      {99.5, 3, 0, "***"},
      // rounding half away from zero on the exact binary value
      {0.125, 5, 2, " 0.13"},
      {-0.125, 5, 2, "-0.13"},
      {0.25, 5, 1, "  0.3"},
      {1.005, 5, 2, " 1.00"},  // 1.00499999999999989...
      {2.675, 5, 2, " 2.67"},
      {9.995, 5, 2, " 9.99"},
      {9.996, 5, 2, "10.00"},
      {9.996, 4, 2, "****"},
      {1234.5, 6, 2, "******"},
      // a value rounded to zero has no minus sign
      {-0.00001, 6, 2, "  0.00"},
      {-0.0, 6, 2, "  0.00"},
      {-0.04, 4, 1, " 0.0"},
      {-0.05, 4, 1, "-0.1"},  // -0.05000000000000000277
      {-0.0005, 8, 3, "  -0.001"},
      {1.0e300, 10, 2, "**********"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ftn::F(c.value, c.w, c.d), c.expected) << "F" << c.w << "." << c.d << " of " << c.value;
  }
}

TEST(FortranFormat, FloatIsFormattedAsItsExactWidenedValue) {
  EXPECT_EQ(ftn::F(0.1f, 12, 10), "0.1000000015");
  EXPECT_EQ(ftn::E(0.1f, 15, 8), " 0.10000000E+00");
  EXPECT_EQ(ftn::E(0.1f, 15, 8, 1), " 1.00000001E-01");
}

struct ExpCase {
  double value;
  int w, d, k;
  char letter;
  const char* expected;
};

TEST(FortranFormat, ExponentEdit) {
  const double smallest_subnormal = std::numeric_limits<double>::denorm_min();
  const std::vector<ExpCase> cases = {
      {0.123e-4, 10, 3, 0, 'E', " 0.123E-04"},
      {1.234, 9, 4, 0, 'E', ".1234E+01"},
      {1.234, 10, 4, 0, 'E', "0.1234E+01"},
      {1.234, 8, 4, 0, 'E', "********"},
      {-0.5, 9, 2, 0, 'E', "-0.50E+00"},
      {-0.5, 8, 2, 0, 'E', "-.50E+00"},
      {0.12345, 8, 3, 0, 'E', ".123E+00"},
      {0.9995, 10, 3, 0, 'E', " 0.100E+01"},  // carry into a new leading digit
      {0.9999, 9, 2, 0, 'E', " 0.10E+01"},
      {0.125, 10, 2, 0, 'E', "  0.13E+00"},   // exact tie, away from zero
      {0.123456789, 14, 8, 0, 'E', "0.12345679E+00"},
      {-0.123456789, 14, 8, 0, 'E', "-.12345679E+00"},
      {3.0, 15, 8, 0, 'E', " 0.30000000E+01"},
      {-1.0e-5, 20, 12, 0, 'E', " -0.100000000000E-04"},
      {-1.5e20, 9, 2, 0, 'E', "-0.15E+21"},
      // zero
      {0.0, 10, 3, 0, 'E', " 0.000E+00"},
      {0.0, 10, 3, 1, 'E', " 0.000E+00"},
      {0.0, 10, 3, 0, 'D', " 0.000D+00"},
      {-0.0, 10, 3, 0, 'E', " 0.000E+00"},
      // three-digit exponents drop the letter
      {1.0e100, 10, 3, 0, 'E', " 0.100+101"},
      {1.0e-100, 10, 3, 0, 'E', " 0.100E-99"},
      {1.0e100, 10, 3, 1, 'E', " 1.000+100"},
      {1.0e-100, 10, 3, 1, 'E', " 1.000-100"},
      {1.0e100, 10, 3, 1, 'D', " 1.000+100"},
      {1.0e-100, 9, 2, 0, 'E', " 0.10E-99"},
      {1.0e-101, 9, 2, 0, 'E', " 0.10-100"},
      {smallest_subnormal, 10, 3, 0, 'E', " 0.494-323"},
      // scale factors
      {1.234, 10, 3, 1, 'E', " 1.234E+00"},
      {-1.5, 21, 14, 1, 'E', "-1.50000000000000E+00"},
      {1.2e-5, 7, 1, 1, 'D', "1.2D-05"},
      {-1.5e-7, 14, 5, 1, 'D', "  -1.50000D-07"},
      {6.02e23, 12, 3, 1, 'D', "   6.020D+23"},
      {1.234, 12, 4, -2, 'E', "  0.0012E+03"},
      {1.234, 12, 4, 3, 'E', "  123.40E-02"},
      {1.234, 10, 3, 4, 'E', " 1234.E-03"},
      {1.234, 10, 3, 5, 'E', "**********"},  // k beyond d + 1
      {1.234, 10, 3, -3, 'E', "**********"}, // no significant digit left
      {-9.9e-5, 6, 1, 1, 'E', "******"},
  };
  for (const auto& c : cases) {
    const std::string got = c.letter == 'D' ? ftn::D(c.value, c.w, c.d, c.k) : ftn::E(c.value, c.w, c.d, c.k);
    EXPECT_EQ(got, c.expected) << c.k << "P" << c.letter << c.w << "." << c.d << " of " << c.value;
  }
}

TEST(FortranFormat, ExponentWithGivenDigitsKeepsItsLetter) {
  EXPECT_EQ(ftn::Ee(1.0e-100, 11, 3, 3), " 0.100E-099");
  EXPECT_EQ(ftn::Ee(1.0e-5, 25, 16, 3, 1), "  1.0000000000000001E-005");
  EXPECT_EQ(ftn::Ee(1.0e100, 10, 3, 2), "**********");
}

TEST(FortranFormat, NonFiniteValuesStayReadable) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ftn::F(nan, 8, 2), "     NaN");
  EXPECT_EQ(ftn::E(inf, 10, 3), "  Infinity");
  EXPECT_EQ(ftn::E(-inf, 10, 3), " -Infinity");
  EXPECT_EQ(ftn::F(inf, 4, 1), " Inf");
  EXPECT_EQ(ftn::F(-inf, 4, 1), "-Inf");
  EXPECT_EQ(ftn::F(-inf, 3, 1), "***");
  EXPECT_EQ(ftn::F(nan, 2, 0), "**");
}

TEST(FortranFormat, TextAndBlanks) {
  EXPECT_EQ(ftn::A("ABC", 5), "  ABC");
  EXPECT_EQ(ftn::A("ABCDEF", 3), "ABC");
  EXPECT_EQ(ftn::A("AB", 2), "AB");
  EXPECT_EQ(ftn::A("", 2), "  ");
  EXPECT_EQ(ftn::A("X", 0), "");
  EXPECT_EQ(ftn::X(3), "   ");
  EXPECT_EQ(ftn::X(0), "");
}

// ---- list-directed records ----

TEST(ListDirected, TextsAsTheyAreNumbersInTheirFields) {
  EXPECT_EQ(ftn::ListLine().add(" Voltage for electrode ").add(7).str(), "  Voltage for electrode            7");
  EXPECT_EQ(ftn::ListLine().add(1).add(" Iteration").add(2).add(" Res(V)").str(),
            "            1 Iteration           2 Res(V)");
  EXPECT_EQ(ftn::ListLine().add(4).add(-17).str(), "            4         -17");
  EXPECT_EQ(ftn::ListLine().add(" Avalanche breakdown (Imax>").add(1.0e4).add(" A/mcm), press <Enter>").str(),
            "  Avalanche breakdown (Imax>   10000.000000000000      A/mcm), press <Enter>");
  EXPECT_EQ(ftn::ListLine().str(), " ");
}

TEST(ListDirected, RealFieldsFixedInRangeExponentOutside) {
  const std::vector<std::pair<double, const char*>> doubles = {
      {1.0, "   1.0000000000000000     "},
      {-3.5, "  -3.5000000000000000     "},
      {0.0, "   0.0000000000000000     "},
      {0.1, "  0.10000000000000001     "},
      {1.0e16, "   10000000000000000.     "},
      {1.0e17, "   1.0000000000000000E+017"},
      {1.0e-5, "   1.0000000000000001E-005"},
      {0.09999, "   9.9989999999999996E-002"},
      {-1.0e-300, "  -1.0000000000000000E-300"},
  };
  for (const auto& [value, expected] : doubles) EXPECT_EQ(ftn::list_item(value), expected) << value;
  EXPECT_EQ(ftn::list_item(1.0f), "   1.00000000    ");
  EXPECT_EQ(ftn::list_item(-1.0e-5f), "  -9.99999975E-06");
  EXPECT_EQ(ftn::list_item(12345678.0f), "   12345678.0    ");
}

TEST(ListDirected, NumbersReadBackExactly) {
  for (const double v : {0.1, 1.0 / 3.0, 1.0e-99, -1.7976931348623157e308, 4.9406564584124654e-324, 2.5e-7}) {
    EXPECT_EQ(std::strtod(ftn::list_item(v).c_str(), nullptr), v) << ftn::list_item(v);
  }
  for (const float v : {0.1f, 1.0f / 3.0f, 3.4028235e38f, 1.0e-45f, -2.5e-7f}) {
    EXPECT_EQ(std::strtof(ftn::list_item(v).c_str(), nullptr), v) << ftn::list_item(v);
  }
}

TEST(ListDirected, OtherIntegerTypesByTheirSize) {
  EXPECT_EQ(ftn::ListLine().add(short{5}).str(), ftn::ListLine().add(5).str());
  EXPECT_EQ(ftn::ListLine().add(std::size_t{5}).str(), ftn::ListLine().add(5LL).str());
  EXPECT_EQ(ftn::list_item(5LL).size(), 21u);
}

TEST(ListDirected, LongRecordsWrapBetweenItems) {
  ftn::ListLine line;
  for (int i = 0; i < 10; ++i) line.add(1.0 + i);
  const auto records = line.records(80);
  ASSERT_EQ(records.size(), 4u);  // 3 + 3 + 3 + 1 items of 26 columns
  std::string joined;
  for (const auto& r : records) {
    EXPECT_LE(r.size(), 80u);
    EXPECT_EQ(r[0], ' ');
    joined += r.substr(1);
  }
  EXPECT_EQ(" " + joined, line.str());

  const std::string long_text(100, 'x');
  const auto alone = ftn::ListLine().add(long_text).add(1).records(80);
  ASSERT_EQ(alone.size(), 2u);
  EXPECT_EQ(alone[0], " " + long_text);
}

}  // namespace
