// The deck language: characters, words, numbers, texts and every deck error.
#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "common/deck_reader.hpp"
#include "common/fatal_stop.hpp"
#include "common/statement_table.hpp"

namespace {

using sim::DeckReader;
using sim::DeckVariant;

// A deck held in memory with the console it talks to.
struct Deck {
  explicit Deck(const std::string& text, DeckVariant variant = DeckVariant::device,
                const std::string& console_input = "")
      : deck(text), in(console_input), console{out, in}, reader(deck, variant, console) {}
  std::istringstream deck;
  std::ostringstream out;
  std::istringstream in;
  sim::Console console;
  DeckReader reader;
};

// Runs `body` as a program would and returns (exit status, console text).
template <class Body>
std::pair<int, std::string> run_stopping(Deck& d, Body body) {
  const int status = sim::run_guarded(d.console, [&] { body(d.reader); });
  return {status, d.out.str()};
}

constexpr std::array<std::string_view, 3> kStatements = {"BAND", "PERM", "SOLVE"};
constexpr std::array<std::string_view, 3> kParams = {"TEMP", "EG30", "X"};
constexpr std::array<int, 3> kNumericKinds = {1, 1, 1};

TEST(DeckCharacters, CommentsLineEndsAndColumn800) {
  Deck d("ab!cd\n#xy\nc#d\n");
  std::string got;
  for (int i = 0; i < 3; ++i) got += d.reader.NXTCHR();
  EXPECT_EQ(got, "ab ");  // "!" ends the line as one blank
  EXPECT_EQ(d.reader.NXTCHR(), ' ');  // "#" in column 1: the whole line is one blank
  EXPECT_EQ(d.reader.NXTCHR(), 'c');
  EXPECT_EQ(d.reader.NXTCHR(), '#');  // "#" elsewhere is ordinary

  Deck empty_line("\nX");
  for (int i = 0; i < 800; ++i) ASSERT_EQ(empty_line.reader.NXTCHR(), ' ');
  EXPECT_EQ(empty_line.reader.NXTCHR(), 'X');

  std::string long_line(799, 'a');
  long_line += "bcd\nZ";
  Deck cut(long_line);
  for (int i = 0; i < 799; ++i) ASSERT_EQ(cut.reader.NXTCHR(), 'a');
  EXPECT_EQ(cut.reader.NXTCHR(), ' ');  // column 800 reads as a blank
  EXPECT_EQ(cut.reader.NXTCHR(), 'Z');  // characters after column 799 are lost
}

// Input without line ends (a device file) is not a deck: memory stays
// bounded and the run stops instead of reading forever.
TEST(DeckCharacters, EndlessLineStops) {
  Deck endless(std::string(1000001, '\0'));
  const auto [status, out] = run_stopping(endless, [](DeckReader& r) { r.NXTCHR(); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out, " Deck line longer than 1000000 characters: not a text deck\n");
}

TEST(DeckCharacters, CarriageReturnLineEndsReadAsPlainLineEnds) {
  Deck d("AB\r\nC");
  EXPECT_EQ(d.reader.NXTCHR(), 'A');
  EXPECT_EQ(d.reader.NXTCHR(), 'B');
  EXPECT_EQ(d.reader.NXTCHR(), ' ');
}

TEST(DeckCharacters, CharacterClasses) {
  EXPECT_EQ(sim::CHRCLS('7'), 1);
  EXPECT_EQ(sim::CHRCLS('-'), 2);
  EXPECT_EQ(sim::CHRCLS(' '), 3);
  EXPECT_EQ(sim::CHRCLS('.'), 4);
  EXPECT_EQ(sim::CHRCLS('e'), 5);
  EXPECT_EQ(sim::CHRCLS(','), 6);
  for (char c : std::string("Dd;}'\tA")) EXPECT_EQ(sim::CHRCLS(c), 100) << c;
}

struct WordCase {
  std::string deck;
  int cmplen;
  int index;
  int status;
};

TEST(DeckWords, DelimitersAndLookup) {
  const std::vector<WordCase> cases = {
      {"BAND:", 6, 1, sim::kColon},
      {"PERM=", 6, 2, sim::kEquals},
      {"BA ND:", 6, 1, sim::kColon},      // blanks dropped anywhere
      {"BA\nND:", 6, 1, sim::kColon},     // words run across line ends
      {",BAND:", 6, 1, sim::kColon},      // leading comma dropped
      {"SOLV:", 4, 3, sim::kColon},       // 4-character statement match
      {"SOLVE:", 4, 3, sim::kColon},
      {"BANDXX:", 4, 1, sim::kColon},
      {"xyz;", 6, 0, sim::kSemicolon},    // word discarded
      {"xyz$", 6, 0, sim::kDollar},
      {"}", 6, 0, sim::kBrace},
  };
  for (const auto& c : cases) {
    Deck d(c.deck);
    int status = 0;
    EXPECT_EQ(d.reader.RDKEYW(kStatements, c.cmplen, status), c.index) << c.deck;
    EXPECT_EQ(status, c.status) << c.deck;
  }
}

TEST(DeckWords, LastMatchingEntryWins) {
  constexpr std::array<std::string_view, 4> dumm = {"DUMM", "DUMM", "DUMM", "DUMM"};
  Deck d("DUMM=");
  int status = 0;
  EXPECT_EQ(d.reader.RDKEYW(dumm, 6, status), 4);
}

TEST(DeckWords, KeywordOnNextLineFitsButEmptyLineBetweenIsTooLong) {
  Deck ok("BAND: TEMP=300;\nPERM:");
  int status = 0;
  ok.reader.RDKEYW(kStatements, 6, status);
  sim::ParamBuffer<double> params(40);
  params.begin_statement("BAND", kParams, kNumericKinds);
  sim::RDPARM(ok.reader, params);
  EXPECT_EQ(ok.reader.RDKEYW(kStatements, 6, status), 2);

  Deck comment_line("BAND: TEMP=300;\n!\nPERM:");
  comment_line.reader.RDKEYW(kStatements, 6, status);
  sim::RDPARM(comment_line.reader, params);
  EXPECT_EQ(comment_line.reader.RDKEYW(kStatements, 6, status), 2);

  Deck too_long("BAND: TEMP=300;\n\nPERM:");
  auto [exit_status, text] = run_stopping(too_long, [&](DeckReader& r) {
    int s = 0;
    r.RDKEYW(kStatements, 6, s);
    sim::RDPARM(r, params);
    r.RDKEYW(kStatements, 6, s);
  });
  EXPECT_EQ(exit_status, 1);
  EXPECT_EQ(text, "Keyword  " + std::string(800, ' ') + " Length exceeds 800 characters\n");
}

TEST(DeckWords, UnknownWordMessagesOfBothPrograms) {
  Deck device("BANDXX:", DeckVariant::device, "typed\n");
  auto [s1, t1] = run_stopping(device, [](DeckReader& r) {
    int s = 0;
    r.RDKEYW(kStatements, 6, s);
  });
  EXPECT_EQ(s1, 1);
  EXPECT_EQ(t1, "Keyword BANDXX is not recognised\n");
  EXPECT_EQ(device.in.tellg(), 0);  // no wait

  Deck process("ANNX:", DeckVariant::process, "typed\n");
  auto [s2, t2] = run_stopping(process, [](DeckReader& r) {
    constexpr std::array<std::string_view, 1> anne = {"ANNE"};
    int s = 0;
    r.RDKEYW(anne, 4, s);
  });
  EXPECT_EQ(s2, 1);
  EXPECT_EQ(t2, "Keyword ANNX is not recognised Press <Enter> to continue\n");

  Deck tab("BAND\t:");
  auto [s3, t3] = run_stopping(tab, [](DeckReader& r) {
    int s = 0;
    r.RDKEYW(kStatements, 6, s);
  });
  EXPECT_EQ(t3, "Keyword BAND\t  is not recognised\n");
}

TEST(DeckWords, EndOfFileBeforeDollar) {
  Deck device("BAND", DeckVariant::device);
  auto [s1, t1] = run_stopping(device, [](DeckReader& r) {
    int s = 0;
    r.RDKEYW(kStatements, 6, s);
  });
  EXPECT_EQ(s1, 1);
  EXPECT_EQ(t1, " End of file has been read before $, press <Enter> to continue\n");
  Deck process("BAND", DeckVariant::process);
  auto [s2, t2] = run_stopping(process, [](DeckReader& r) {
    int s = 0;
    r.RDKEYW(kStatements, 6, s);
  });
  EXPECT_EQ(t2, " End of file has been read before $\n");
}

struct NumberCase {
  std::string text;
  double value;
  int endflag;
};

TEST(DeckNumbers, Forms) {
  const std::vector<NumberCase> cases = {
      {"300;", 300, 1},     {" 300 ", 300, 0},   {",300 ", 300, 0},   {"  300;", 0, 0},
      {"1.5E-3 ", 1.5e-3, 0}, {"1.5e-3 ", 1.5e-3, 0}, {"1.5-3 ", 1.5e-3, 0}, {"-2.5e+2,", -250, 0},
      {"7!c\n", 7, 0},      {".5 ", 0.5, 0},     {"3. ", 3, 0},
  };
  for (const auto& c : cases) {
    Deck d(c.text);
    int endflag = -1;
    EXPECT_DOUBLE_EQ(d.reader.RDVALU<double>("BAND", "TEMP", endflag), c.value) << c.text;
    EXPECT_EQ(endflag, c.endflag) << c.text;
  }
}

TEST(DeckNumbers, FourByteValuesAreNearestFloats) {
  Deck d("0.1 ", DeckVariant::process);
  int endflag = 0;
  EXPECT_EQ(d.reader.RDVALU<float>("DIFF", "X", endflag), 0.1f);
}

TEST(DeckNumbers, FailuresNameParameterAndStatement) {
  const std::string message = " Error read value X      Directive BAND  \n";
  for (const std::string bad : {"1.5D-3 ", "1.0} ", "12a ", "123456789012345678901 ", "1e999 ", "E5 ",
                                "1.5e ", "1.0\t"}) {
    Deck d(bad, DeckVariant::device, "\n");
    auto [status, text] = run_stopping(d, [](DeckReader& r) {
      int e = 0;
      r.RDVALU<double>("BAND", "X", e);
    });
    EXPECT_EQ(status, 1) << bad;
    EXPECT_EQ(text, message) << bad;
  }
  Deck float_overflow("1e39 ", DeckVariant::process);
  auto [status, text] = run_stopping(float_overflow, [](DeckReader& r) {
    int e = 0;
    r.RDVALU<float>("BAND", "X", e);
  });
  EXPECT_EQ(text, message);
}

TEST(DeckNumbers, BraceEndsNumberOnlyInProcessVariant) {
  Deck d("1.0}", DeckVariant::process);
  int endflag = 0;
  EXPECT_EQ(d.reader.RDVALU<float>("IVDA", "V1", endflag), 1.0f);
  EXPECT_EQ(endflag, 1);
}

struct TextCase {
  std::string deck;
  std::string text;
  std::string next_word;  // what the next word reads as, "" for nothing checked
};

TEST(DeckTexts, Forms) {
  const std::vector<TextCase> cases = {
      {"'a;b$=}#'", "a;b$=}#", ""},
      {"'' NAME='x';", " NAME=", ""},
      {" 'a' X=", " ", "a'X"},
      {",'abc'", "abc", ""},
  };
  for (const auto& c : cases) {
    Deck d(c.deck);
    EXPECT_EQ(d.reader.RDTEXT("COMM", "METH"), sim::fixed(c.text, 80)) << c.deck;
    if (!c.next_word.empty()) {
      // The rest reads as an unknown word whose message shows its start.
      auto [status, text] = run_stopping(d, [](DeckReader& r) {
        int s = 0;
        r.RDKEYW(kParams, 6, s);
      });
      EXPECT_NE(text.find("Keyword " + c.next_word), std::string::npos) << text;
    }
  }
}

TEST(DeckTexts, EmptyQuotesRunOnToTheNextApostrophe) {
  Deck d("'' NAME='x';");
  EXPECT_EQ(d.reader.RDTEXT("COMM", "METH"), sim::fixed(" NAME=", 80));
  int status = 0;
  EXPECT_EQ(d.reader.RDKEYW(kParams, 6, status), 0);  // "x'" ended by ";"
  EXPECT_EQ(status, sim::kSemicolon);
}

TEST(DeckTexts, MissingQuoteOrTooLong) {
  Deck d("'" + std::string(81, 'a') + "'", DeckVariant::device, "\n");
  auto [status, text] = run_stopping(d, [](DeckReader& r) { r.RDTEXT("COMM", "METH"); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(text, " Missing ' or text length exceeds 80 characters Parameter METH   Directive COMM  \n");
  Deck comment("'a!b\nX");  // the comment cuts the text; the padding overflows it
  auto [s2, t2] = run_stopping(comment, [](DeckReader& r) { r.RDTEXT("COMM", "METH"); });
  EXPECT_EQ(s2, 1);
}

}  // namespace
