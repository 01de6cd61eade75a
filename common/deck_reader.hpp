#pragma once
// The lowest layer of the deck language: the deck as a stream of characters
// with comments removed (NXTCHR), words ended by a delimiter and looked up in
// a name table (RDKEYW), character classes for numbers (CHRCLS), one numeric
// value (RDVALU) and one quoted text (RDTEXT). Every deck error is a fatal
// stop with its own message.
#include <istream>
#include <span>
#include <string>
#include <string_view>

#include "common/console.hpp"

namespace sim {

// The two programs read the same language; the process simulator differs in
// four points (unknown-word message and wait, end-of-file wait, "}" directly
// after a number, 4-character statement keywords).
enum class DeckVariant { device, process };

// Statuses of RDKEYW: the delimiter that ended the word.
enum DeckStatus : int {
  kColon = 1,      // ":" keyword or parameter name
  kSemicolon = 2,  // ";" end of statement
  kEquals = 3,     // "=" parameter name (or keyword)
  kDollar = 4,     // "$" end of deck
  kTooLong = 5,    // word too long (set just before the stop)
  kBrace = 6,      // "}" end of a list
};

// A name table: names of up to 6 characters, compared blank padded.
using NameTable = std::span<const std::string_view>;

inline constexpr int kLineWidth = 800;    // characters of a deck line kept
inline constexpr std::size_t kLongestLine = 1000000;  // a longer line is not a text deck
inline constexpr int kWordWidth = 800;    // characters of a word kept
inline constexpr int kWordScanLimit = 1000;
inline constexpr int kTokenWidth = 20;    // characters of a number token
inline constexpr int kTextScanLimit = 200;

// Character class for the number reader.
int CHRCLS(char c);

class DeckReader {
 public:
  DeckReader(std::istream& deck, DeckVariant variant, Console& console);

  DeckVariant variant() const { return variant_; }

  // Next character of the deck; a line end, a "!" comment, a "#" in column 1
  // and column 800 read as one blank and end the line.
  char NXTCHR();

  // Reads the next word and its delimiter into `status`. For ":" and "="
  // returns the 1-based number of the (last) table entry whose first
  // `cmplen` characters match the word; 0 for the other delimiters.
  int RDKEYW(NameTable table, int cmplen, int& status);

  // Reads one number directly after its "="; endflag = 1 when the number was
  // ended by ";" (and, in the process variant, by "}").
  template <class Real>
  Real RDVALU(std::string_view directive, std::string_view name, int& endflag);

  // Reads one quoted text directly after its "=" (80 characters, blank padded).
  std::string RDTEXT(std::string_view directive, std::string_view name);

 private:
  [[noreturn]] void number_failure(std::string_view directive, std::string_view name) const;
  std::string read_number_token(std::string_view directive, std::string_view name, int& endflag);

  std::istream& deck_;
  DeckVariant variant_;
  Console& console_;
  std::string line_;  // current deck line, blank padded to kLineWidth
  int column_ = 0;    // characters of line_ delivered; 0: no line in hand
};

// " Error read value " + name + " Directive " + keyword, each name 6 wide.
std::string number_failure_message(std::string_view directive, std::string_view name);

// Value of one numeric input field (blanks ignored, optional decimal point,
// exponent as E/e with optional sign or as a bare signed integer). Returns
// false when the field is not a number or does not fit the real type.
template <class Real>
bool convert_number_field(std::string_view field, Real& value);

}  // namespace sim
