#include "common/deck_reader.hpp"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/line_input.hpp"

namespace sim {

int CHRCLS(char c) {
  if (c >= '0' && c <= '9') return 1;
  switch (c) {
    case '+':
    case '-': return 2;
    case ' ': return 3;
    case '.': return 4;
    case 'E':
    case 'e': return 5;
    case ',': return 6;
    default: return 100;
  }
}

DeckReader::DeckReader(std::istream& deck, DeckVariant variant, Console& console)
    : deck_(deck), variant_(variant), console_(console), line_(kLineWidth, ' ') {}

char DeckReader::NXTCHR() {
  if (column_ == 0) {
    std::string record;
    const LineStatus status = read_line(deck_, record, kLineWidth, kLongestLine);
    if (status == LineStatus::end_of_file) {
      if (variant_ == DeckVariant::device)
        ERRSTOP(" End of file has been read before $, press <Enter> to continue");
      stop_at_once(" End of file has been read before $");
    }
    if (status == LineStatus::too_long)
      stop_at_once(" Deck line longer than " + std::to_string(kLongestLine) + " characters: not a text deck");
    line_ = fixed(record, kLineWidth);
  }
  ++column_;
  const char c = line_[column_ - 1];
  if (c == '!' || (c == '#' && column_ == 1) || column_ == kLineWidth) {
    line_.assign(kLineWidth, ' ');
    column_ = 0;
    return ' ';
  }
  return c;
}

int DeckReader::RDKEYW(NameTable table, int cmplen, int& status) {
  std::string word;
  int examined = 1;
  for (;;) {
    const char c = NXTCHR();
    switch (c) {
      case ':': status = kColon; break;
      case '=': status = kEquals; break;
      case ';': status = kSemicolon; return 0;
      case '$': status = kDollar; return 0;
      case '}': status = kBrace; return 0;
      default: status = 0; break;
    }
    if (status == kColon || status == kEquals) break;
    if (!(c == ' ' || (c == ',' && word.empty()))) {
      if (static_cast<int>(word.size()) + 1 > kWordWidth) {
        status = kTooLong;
        stop_at_once("Keyword  " + fixed(word, kWordWidth) + " Length exceeds 800 characters");
      }
      word.push_back(c);
    }
    if (++examined > kWordScanLimit) {
      status = kTooLong;
      stop_at_once("Keyword  " + fixed(word, kWordWidth) + " Length exceeds 800 characters");
    }
  }
  const std::string key = fixed(word, static_cast<std::size_t>(cmplen));
  int index = 0;
  for (std::size_t i = 0; i < table.size(); ++i)
    if (fixed(table[i], 6).substr(0, cmplen) == key) index = static_cast<int>(i) + 1;
  if (index == 0) {
    const std::string message = "Keyword " + key + " is not recognised";
    if (variant_ == DeckVariant::device) stop_at_once(message);
    ERRSTOP(message + " Press <Enter> to continue");
  }
  return index;
}

std::string number_failure_message(std::string_view directive, std::string_view name) {
  return " Error read value " + fixed(name, 6) + " Directive " + fixed(directive, 6);
}

void DeckReader::number_failure(std::string_view directive, std::string_view name) const {
  ERRSTOP(number_failure_message(directive, name));
}

std::string DeckReader::read_number_token(std::string_view directive, std::string_view name,
                                          int& endflag) {
  std::string token;
  endflag = 0;
  for (;;) {
    const char c = NXTCHR();
    if (!token.empty()) {
      if (c == ' ' || c == ',') return token;
      if (c == ';') {
        endflag = 1;
        return token;
      }
      if (CHRCLS(c) == 100) {
        if (c == '}' && variant_ == DeckVariant::process) {
          endflag = 1;
          return token;
        }
        number_failure(directive, name);
      }
    }
    // A token longer than its field cannot be a value of the language.
    if (static_cast<int>(token.size()) == kTokenWidth) number_failure(directive, name);
    token.push_back(c);
  }
}

template <class Real>
Real DeckReader::RDVALU(std::string_view directive, std::string_view name, int& endflag) {
  const std::string token = read_number_token(directive, name, endflag);
  Real value{};
  if (!convert_number_field(token, value)) number_failure(directive, name);
  return value;
}

std::string DeckReader::RDTEXT(std::string_view directive, std::string_view name) {
  std::string text;
  int consumed = 1;
  for (;;) {
    const char c = NXTCHR();
    if (text.empty() && (c == ',' || c == '\'')) {
      if (++consumed > kTextScanLimit) break;
      continue;
    }
    if (!text.empty() && c == '\'') break;
    if (static_cast<int>(text.size()) + 1 > static_cast<int>(kTextWidth))
      ERRSTOP(" Missing ' or text length exceeds 80 characters Parameter " + fixed(name, 6) +
              " Directive " + fixed(directive, 6));
    text.push_back(c);
    if (++consumed > kTextScanLimit) break;
  }
  return fixed(text, kTextWidth);
}

namespace {

// Splits a numeric field into a normalised "mantissa e exponent" text that
// the C library converts; false when the field is not a number.
bool normalise_number_field(std::string_view field, std::string& normalised) {
  std::string s;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (c == ' ' || (i == 0 && c == ',')) continue;  // blanks are ignored
    s.push_back(c);
  }
  normalised.clear();
  if (s.empty()) {
    normalised.push_back('0');
    return true;
  }
  std::size_t p = 0;
  if (s[p] == '+' || s[p] == '-') normalised.push_back(s[p++]);
  int digits = 0;
  while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
    normalised.push_back(s[p++]);
    ++digits;
  }
  if (p < s.size() && s[p] == '.') {
    normalised.push_back(s[p++]);
    while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
      normalised.push_back(s[p++]);
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (p == s.size()) return true;
  if (s[p] == 'E' || s[p] == 'e') ++p;
  normalised.push_back('e');
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) normalised.push_back(s[p++]);
  int exponent_digits = 0;
  while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
    normalised.push_back(s[p++]);
    ++exponent_digits;
  }
  return exponent_digits > 0 && p == s.size();
}

}  // namespace

template <class Real>
bool convert_number_field(std::string_view field, Real& value) {
  std::string text;
  if (!normalise_number_field(field, text)) return false;
  errno = 0;
  char* end = nullptr;
  if constexpr (std::is_same_v<Real, float>) {
    value = std::strtof(text.c_str(), &end);
  } else {
    value = static_cast<Real>(std::strtod(text.c_str(), &end));
  }
  if (end != text.c_str() + text.size()) return false;
  return std::isfinite(value);  // an overflowing value is not a value of the type
}

template float DeckReader::RDVALU<float>(std::string_view, std::string_view, int&);
template double DeckReader::RDVALU<double>(std::string_view, std::string_view, int&);
template bool convert_number_field<float>(std::string_view, float&);
template bool convert_number_field<double>(std::string_view, double&);

}  // namespace sim
