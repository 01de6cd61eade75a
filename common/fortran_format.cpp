#include "common/fortran_format.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace sim::ftn {
namespace {

// |value| as decimal digits d0 d1 d2 ... meaning d0.d1d2... * 10**exponent.
// The digits are exact: every double has a finite decimal expansion of at
// most 767 significant digits, so rounding on them is rounding on the exact
// binary value, independent of any later re-rounding.
struct Decimal {
  std::string digits;
  int exponent = 0;
  bool negative = false;

  bool is_zero() const { return digits.find_first_not_of('0') == std::string::npos; }
  char digit_at(int i) const {
    return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)] : '0';
  }
};

constexpr int kExactDigits = 800;

Decimal exact_decimal(double value) {
  Decimal dec;
  dec.negative = std::signbit(value);
  const double magnitude = std::fabs(value);
  if (magnitude == 0.0) {
    dec.digits.assign(1, '0');
    return dec;
  }
  char buffer[kExactDigits + 16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                    std::chars_format::scientific, kExactDigits);
  const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const auto e_pos = text.find('e');
  dec.digits.reserve(e_pos);
  dec.digits.push_back(text[0]);
  dec.digits.append(text.substr(2, e_pos - 2));
  dec.exponent = std::atoi(std::string(text.substr(e_pos + 1)).c_str());
  return dec;
}

// dec rounded half away from zero to `keep` significant digits (keep >= 1);
// the result has exactly `keep` digits. A carry out of the first digit
// raises the exponent (9.96 to 2 digits gives 1.0 * 10**1).
Decimal round_significant(Decimal dec, int keep) {
  const auto n = static_cast<std::size_t>(keep);
  if (dec.is_zero()) {
    dec.digits.assign(n, '0');
    dec.exponent = 0;
    return dec;
  }
  const bool round_up = n < dec.digits.size() && dec.digits[n] >= '5';
  dec.digits.resize(n, '0');
  if (!round_up) return dec;
  for (std::size_t i = n; i-- > 0;) {
    if (dec.digits[i] != '9') {
      ++dec.digits[i];
      return dec;
    }
    dec.digits[i] = '0';
  }
  dec.digits[0] = '1';
  ++dec.exponent;
  return dec;
}

// dec rounded half away from zero at the decimal position 10**-d.
Decimal round_at_decimals(Decimal dec, int d) {
  const int keep = dec.exponent + 1 + d;
  if (keep >= 1) return round_significant(std::move(dec), keep);
  if (keep == 0 && !dec.is_zero() && dec.digits[0] >= '5') {
    // Only the half-unit digit decides: 0.5 to 0 decimals gives 1.
    dec.digits.assign(1, '1');
    dec.exponent = -d;
    return dec;
  }
  dec.digits.assign(1, '0');
  dec.exponent = 0;
  return dec;
}

std::string stars(int w) { return std::string(static_cast<std::size_t>(std::max(w, 0)), '*'); }

// s right-justified in w columns; asterisks when it is longer.
std::string right_justify(const std::string& s, int w) {
  if (w <= 0) return s;
  const auto width = static_cast<std::size_t>(w);
  if (s.size() > width) return stars(w);
  return std::string(width - s.size(), ' ') + s;
}

// NaN and infinities: the longest form that fits ("Infinity", "-Infinity",
// "Inf", "-Inf").
std::string non_finite(double value, int w) {
  if (std::isnan(value)) return right_justify("NaN", w);
  const std::string sign = value < 0 ? "-" : "";
  const std::string full = sign + "Infinity";
  if (w <= 0 || w >= static_cast<int>(full.size())) return right_justify(full, w);
  return right_justify(sign + "Inf", w);
}

// Sign, optional leading zero and the rest of a number: the leading zero is
// dropped only when the field is one too narrow for it.
std::string fit_field(bool minus, bool optional_zero, const std::string& body, int w) {
  const std::string sign = minus ? "-" : "";
  std::string full = sign + (optional_zero ? "0" : "") + body;
  if (w <= 0 || static_cast<int>(full.size()) <= w) return right_justify(full, w);
  if (optional_zero) return right_justify(sign + body, w);
  return stars(w);
}

// Fixed-point digits of an already rounded value: integer part (without a
// leading "0" when below one) and the point with d decimals.
std::string fixed_body(const Decimal& dec, int d, bool& integer_part_empty) {
  std::string body;
  for (int i = 0; i <= dec.exponent; ++i) body.push_back(dec.digit_at(i));
  integer_part_empty = body.empty() || body == "0";
  if (integer_part_empty) body.clear();
  body.push_back('.');
  for (int j = 1; j <= d; ++j) body.push_back(dec.digit_at(dec.exponent + j));
  return body;
}

// Exponent part: letter, sign and `digits` digits; with `drop_letter` a
// third digit replaces the letter (+eee). Empty when it does not fit.
std::string exponent_part(int exponent, char letter, int digits, bool drop_letter) {
  const std::string sign = exponent < 0 ? "-" : "+";
  const int magnitude = std::abs(exponent);
  std::string number = std::to_string(magnitude);
  if (drop_letter && digits == 2 && magnitude > 99) {
    if (magnitude > 999) return {};
    return sign + number;
  }
  if (static_cast<int>(number.size()) > digits) return {};
  number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
  return std::string(1, letter) + sign + number;
}

// [kP]Ew.d with the exponent letter, e exponent digits and the three-digit
// rule when `drop_letter` is set.
std::string exponent_edit(double value, int w, int d, int k, char letter, int e, bool drop_letter) {
  if (!std::isfinite(value)) return non_finite(value, w);
  const bool k_in_range = (k <= 0 && k > -d) || (k > 0 && k < d + 2);
  if (d < 0 || !k_in_range) return stars(w);
  const int significant = k <= 0 ? d + k : d + 1;
  const Decimal dec = round_significant(exact_decimal(value), significant);
  const bool zero = dec.is_zero();
  // Fortran exponent of the form 0.d1d2... * 10**x, shifted by the scale factor.
  const int exponent = zero ? 0 : dec.exponent + 1 - k;
  const std::string exp_text = exponent_part(exponent, letter, e, drop_letter);
  if (exp_text.empty()) return stars(w);
  std::string body;
  if (k <= 0) {
    body.assign(1, '.');
    body.append(static_cast<std::size_t>(-k), '0');
    body += dec.digits;
  } else {
    body = dec.digits;
    body.insert(static_cast<std::size_t>(k), 1, '.');
  }
  // A zero is written without sign (classic behaviour, see the header).
  return fit_field(dec.negative && !zero, k <= 0, body + exp_text, w);
}

// 1PG-style list-directed real: `significant` digits, fixed point from 0.1
// up to 10**significant (then `exp_digits` + 2 trailing blanks), else
// d.ddd...E+ee; one separating blank in front of a field of width w.
std::string list_real(double value, int w, int significant, int exp_digits) {
  std::string field(1, ' ');
  if (!std::isfinite(value)) return field += non_finite(value, w);
  const Decimal dec = exact_decimal(value);
  const Decimal rounded = round_significant(dec, significant);
  const int magnitude_digits = rounded.is_zero() ? 1 : rounded.exponent + 1;
  if (magnitude_digits >= 0 && magnitude_digits <= significant) {
    const int trailing = exp_digits + 2;
    field += F(value, w - trailing, significant - magnitude_digits);
    return field.append(static_cast<std::size_t>(trailing), ' ');
  }
  return field += Ee(value, w, significant - 1, exp_digits, 1);
}

}  // namespace

std::string I(long long value, int w) { return right_justify(std::to_string(value), w); }

std::string F(double value, int w, int d) {
  if (!std::isfinite(value)) return non_finite(value, w);
  if (d < 0) return stars(w);
  const Decimal dec = round_at_decimals(exact_decimal(value), d);
  bool integer_part_empty = false;
  std::string body = fixed_body(dec, d, integer_part_empty);
  // Negative zero after rounding loses its sign (classic behaviour: -0.00001
  // in F6.2 is "  0.00", where some newer run-times write " -0.00"). With no
  // decimals the zero is the only digit and must stay (F2.0 of 0.4 is "0.").
  const bool minus = dec.negative && !dec.is_zero();
  if (integer_part_empty && d == 0) return fit_field(minus, false, body.insert(0, 1, '0'), w);
  return fit_field(minus, integer_part_empty, body, w);
}

std::string E(double value, int w, int d, int k) { return exponent_edit(value, w, d, k, 'E', 2, true); }

std::string D(double value, int w, int d, int k) { return exponent_edit(value, w, d, k, 'D', 2, true); }

std::string Ee(double value, int w, int d, int e, int k) {
  return exponent_edit(value, w, d, k, 'E', std::max(e, 1), false);
}

std::string A(std::string_view text, int w) {
  const auto width = static_cast<std::size_t>(std::max(w, 0));
  if (text.size() >= width) return std::string(text.substr(0, width));
  return std::string(width - text.size(), ' ') + std::string(text);
}

std::string X(int n) { return std::string(static_cast<std::size_t>(std::max(n, 0)), ' '); }

// ---- list-directed output ----

std::string list_item(int value) { return I(value, 12); }
std::string list_item(long long value) { return I(value, 21); }
std::string list_item(double value) { return list_real(value, 25, 17, 3); }
std::string list_item(float value) { return list_real(static_cast<double>(value), 16, 9, 2); }

ListLine& ListLine::add(std::string_view text) {
  items_.emplace_back(text);
  return *this;
}

ListLine& ListLine::add(int value) {
  items_.push_back(list_item(value));
  return *this;
}

ListLine& ListLine::add(long long value) {
  items_.push_back(list_item(value));
  return *this;
}

ListLine& ListLine::add(double value) {
  items_.push_back(list_item(value));
  return *this;
}

ListLine& ListLine::add(float value) {
  items_.push_back(list_item(value));
  return *this;
}

ListLine& ListLine::add_integer(long long value, int width) {
  items_.push_back(I(value, width));
  return *this;
}

std::string ListLine::str() const {
  std::string line(1, ' ');
  for (const auto& item : items_) line += item;
  return line;
}

std::vector<std::string> ListLine::records(std::size_t width) const {
  std::vector<std::string> out{" "};
  bool record_has_item = false;
  for (const auto& item : items_) {
    if (record_has_item && out.back().size() + item.size() > width) {
      out.emplace_back(" ");
      record_has_item = false;
    }
    out.back() += item;
    record_has_item = true;
  }
  return out;
}

}  // namespace sim::ftn
