// Statement lists and the value store: what is given is stored, nothing else.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <sstream>

#include "common/statement_table.hpp"

namespace {

constexpr std::array<std::string_view, 9> kBand = {"TEMP", "EG30", "EGAL", "EGBE", "ENC3",
                                                   "ENV3", "VOBG", "CONB", "CNSB"};
constexpr std::array<int, 9> kNumeric = {1, 1, 1, 1, 1, 1, 1, 1, 1};

struct Statement {
  explicit Statement(const std::string& text, sim::DeckVariant v = sim::DeckVariant::device)
      : deck(text), console{out, in}, reader(deck, v, console) {
    params.begin_statement("BAND", kBand, kNumeric);
  }
  std::istringstream deck;
  std::ostringstream out;
  std::istringstream in;
  sim::Console console;
  sim::DeckReader reader;
  sim::ParamBuffer<double> params{40};
};

TEST(StatementTable, SliceStarts) {
  const std::array<int, 3> counts = {9, 2, 2};
  EXPECT_EQ(sim::TABOFS(counts, 1), 1);
  EXPECT_EQ(sim::TABOFS(counts, 2), 10);
  EXPECT_EQ(sim::TABOFS(counts, 3), 12);
}

TEST(ParameterList, GivenFlagsAndEndings) {
  Statement s("TEMP=350 EG30=1.1;");
  sim::RDPARM(s.reader, s.params);
  EXPECT_EQ(s.params.given(1), 1);
  EXPECT_EQ(s.params.given(2), 1);
  for (int j = 3; j <= 9; ++j) EXPECT_EQ(s.params.given(j), 0);
  EXPECT_EQ(s.params.endflag, 0);

  std::array<double, 9> recomb = {300, 1.08, 4.73e-4, 636, 2.8e19, 1.04e19, 0.009, 1e17, 0.5};
  sim::STORPAR(s.params, 0, std::span<double>(recomb));
  EXPECT_EQ(recomb[0], 350);
  EXPECT_EQ(recomb[1], 1.1);
  EXPECT_EQ(recomb[2], 4.73e-4);  // not given: unchanged
  EXPECT_EQ(recomb[8], 0.5);

  Statement twice("TEMP=350 TEMP:360 ;");
  sim::RDPARM(twice.reader, twice.params);
  EXPECT_EQ(twice.params.value(1), 360);

  Statement brace("TEMP=350 }");
  sim::RDPARM(brace.reader, brace.params);
  EXPECT_EQ(brace.params.endflag, 1);

  Statement empty(";");
  sim::RDPARM(empty.reader, empty.params);
  for (int j = 1; j <= 9; ++j) EXPECT_EQ(empty.params.given(j), 0);

  Statement process_brace("TEMP=350}", sim::DeckVariant::process);
  sim::ParamBuffer<float> fparams(14);
  fparams.begin_statement("BAND", kBand, kNumeric);
  sim::RDPARM(process_brace.reader, fparams);
  EXPECT_EQ(fparams.endflag, 0);  // the number's own end closed the statement
  EXPECT_EQ(fparams.value(1), 350.0f);
}

TEST(ParameterList, DollarInsideAStatementEndsTheDeck) {
  Statement s("TEMP=350 $ EG30=1;");
  sim::RDPARM(s.reader, s.params);
  EXPECT_TRUE(s.params.end_of_deck);
  EXPECT_EQ(s.params.given(2), 0);
}

TEST(ParameterList, ThousandItemsEndTheStatement) {
  std::string many;
  for (int i = 0; i < 1001; ++i) many += "TEMP=1\n";
  many += "EG30=2;";
  Statement s(many);
  sim::RDPARM(s.reader, s.params);
  EXPECT_EQ(s.params.given(2), 0);
  int status = 0;
  EXPECT_EQ(s.reader.RDKEYW(kBand, 6, status), 1);  // the 1001st item is read by the caller
}

TEST(ValueStore, IntegersTruncateTowardZeroAndTextsTakeTheirWidth) {
  Statement s("TEMP=2.9 EG30=-2.9 EGAL=30.9;");
  sim::RDPARM(s.reader, s.params);
  int a = 7, b = 7, c = 7, d = 7;
  sim::STORPAR(s.params, 0, {&a, &b, &c, &d});
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, -2);
  EXPECT_EQ(c, 30);
  EXPECT_EQ(d, 7);

  constexpr std::array<std::string_view, 2> comm = {"METH", "PROJ"};
  constexpr std::array<int, 2> texts = {0, 0};
  Statement t("METH='ABCDEFGHIJ';");
  t.params.begin_statement("COMM", comm, texts);
  sim::RDPARM(t.reader, t.params);
  std::string meth(8, '\0'), proj(30, '\0');
  sim::STORPAR(t.params, 0, {&meth, &proj});
  EXPECT_EQ(meth, "ABCDEFGH");
  EXPECT_EQ(proj, std::string(30, '\0'));  // not given: its NUL bytes stay
}

TEST(ValueStore, OffsetRunsAndOutOfRangeIntegers) {
  Statement s("CONB=5 CNSB=6;");
  sim::RDPARM(s.reader, s.params);
  std::array<double, 2> tail = {0, 0};
  sim::STORPAR(s.params, 7, std::span<double>(tail));
  EXPECT_EQ(tail[0], 5);
  EXPECT_EQ(tail[1], 6);

  Statement big("TEMP=3e9;", sim::DeckVariant::device);
  sim::RDPARM(big.reader, big.params);
  int nx = 0;
  const int status = sim::run_guarded(big.console, [&] { sim::STORPAR(big.params, 0, {&nx}); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(big.out.str(), " Error read value TEMP   Directive BAND  \n");
  EXPECT_EQ(nx, 0);
}

// The integer range is exact in both real types: 2^31 itself is refused
// (in 4-byte reals 2147483647 reads as 2^31).
template <class Real>
std::string store_int(const std::string& text, sim::DeckVariant v, int& out) {
  std::istringstream deck(text), in;
  std::ostringstream console_out;
  sim::Console console{console_out, in};
  sim::DeckReader reader(deck, v, console);
  sim::ParamBuffer<Real> params{40};
  params.begin_statement("BAND", kBand, kNumeric);
  sim::RDPARM(reader, params);
  sim::run_guarded(console, [&] { sim::STORPAR(params, 0, {&out}); });
  return console_out.str();
}

TEST(ValueStore, IntegerBoundsExactInBothPrecisions) {
  int v = 0;
  EXPECT_EQ(store_int<float>("TEMP=2147483647;", sim::DeckVariant::process, v),
            " Error read value TEMP   Directive BAND  \n");
  EXPECT_EQ(store_int<float>("TEMP=2147483520;", sim::DeckVariant::process, v), "");
  EXPECT_EQ(v, 2147483520);
  EXPECT_EQ(store_int<float>("TEMP=-2147483648;", sim::DeckVariant::process, v), "");
  EXPECT_EQ(v, -2147483647 - 1);
  EXPECT_EQ(store_int<double>("TEMP=2147483647.9;", sim::DeckVariant::device, v), "");
  EXPECT_EQ(v, 2147483647);
  EXPECT_EQ(store_int<double>("TEMP=2147483648;", sim::DeckVariant::device, v),
            " Error read value TEMP   Directive BAND  \n");
}

}  // namespace
