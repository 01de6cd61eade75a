#pragma once
// Formatted output with Fortran edit semantics, as the console lines and the
// text files of both programs are written: Iw, Fw.d, [kP]Ew.d, [kP]Dw.d, Aw,
// nX, and list-directed (free-format) items.
//
// Every numeric edit fills its whole field with asterisks when the value does
// not fit. An exponent that needs three digits drops its letter (1.0E+100 in
// E10.3 is written 0.100+101).
//
// Rounding: values are rounded on their exact binary value, half away from
// zero (0.125 in F5.2 gives " 0.13"). A value that rounds to zero is written
// without a minus sign (-0.00001 in F6.2 gives "  0.00", -0.0 in E10.3 gives
// " 0.000E+00"), the classic run-time behaviour; some newer run-times keep the
// sign (" -0.00").
//
// Not-a-number and infinities, which the numerics must never hand over, are
// still written readably: "NaN", "Infinity" or "Inf" (with "-" when negative),
// right-justified, or asterisks when the field is too narrow.
//
// A width w of 0 in I and F means the minimal width (Fortran 95 I0, F0.d).
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim::ftn {

std::string I(long long value, int w);                   // Iw
std::string F(double value, int w, int d);               // Fw.d
// Ew.d with scale factor k (kP): k = 0 gives 0.ddddE+ee, k = 1 gives d.dddE+ee.
// In general -d < k <= 0 gives |k| zeros after the point and d - |k| digits,
// 0 < k < d + 2 gives k digits before the point and d - k + 1 after; any other
// k fills the field with asterisks.
std::string E(double value, int w, int d, int k = 0);
std::string D(double value, int w, int d, int k = 0);    // as E with the letter D
// Ew.dEe: the exponent always keeps its letter and has e digits; asterisks
// when it needs more.
std::string Ee(double value, int w, int d, int e, int k = 0);
std::string A(std::string_view text, int w);             // Aw: cut or right-justify
std::string X(int n);                                     // nX: n blanks

// One list-directed (free-format) output record, built item by item.
//
// Layout (that of the classic run-time, with the number widths fixed here):
//  - a record starts with one blank;
//  - a text is written as it is, without delimiters or separators (texts
//    bring their own blanks, e.g. " A/mcm)");
//  - a 4-byte integer is right-justified in 12 columns, an 8-byte integer in
//    21 columns;
//  - a real is one blank followed by a 1PG-style field: 9 significant digits
//    in 16 columns for a 4-byte real, 17 significant digits in 25 columns
//    (three-digit exponent) for an 8-byte real. Values from 0.1 up to
//    10**digits are written in fixed point followed by blanks where the
//    exponent would stand, others as d.ddd...E+ee. These digit counts give
//    back the very same value when the record is read.
// Every number field therefore begins with at least one blank.
class ListLine {
 public:
  ListLine& add(std::string_view text);
  ListLine& add(int value);        // 4-byte integer
  ListLine& add(long long value);  // 8-byte integer
  ListLine& add(double value);     // 8-byte real
  ListLine& add(float value);      // 4-byte real
  // Other integer types (std::size_t, long, short...) by their size.
  template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, int> &&
             !std::same_as<T, long long>)
  ListLine& add(T value) {
    if constexpr (sizeof(T) <= 4) {
      return add_integer(static_cast<long long>(value), kInt4Width);
    } else {
      return add_integer(static_cast<long long>(value), kInt8Width);
    }
  }

  // The whole record, without line end.
  std::string str() const;
  // The record cut into records of at most `width` characters between items,
  // each continuation record again starting with one blank (the classic
  // run-time wraps list-directed output at 80 columns). An item longer than
  // a record stands alone in its record.
  std::vector<std::string> records(std::size_t width = 80) const;

 private:
  static constexpr int kInt4Width = 12;
  static constexpr int kInt8Width = 21;
  ListLine& add_integer(long long value, int width);
  std::vector<std::string> items_;
};

// The single list-directed item fields, as ListLine writes them.
std::string list_item(int value);
std::string list_item(long long value);
std::string list_item(double value);
std::string list_item(float value);

}  // namespace sim::ftn
