#pragma once
// Formatted output with Fortran edit semantics, as the console lines and the
// text files of both programs are written: Iw, Fw.d, [kP]Ew.d, [kP]Dw.d, Aw,
// nX, and list-directed (free-format) items.
//
// Every numeric edit fills its whole field with asterisks when the value does
// not fit. An exponent that needs three digits drops its letter (1.0E+100 in
// E10.3 is written 0.100+101).
#include <string>
#include <string_view>

namespace sim::ftn {

std::string I(long long value, int w);                   // Iw
std::string F(double value, int w, int d);               // Fw.d
// Ew.d with scale factor k (kP): k = 0 gives 0.ddddE+ee, k = 1 gives d.dddE+ee.
std::string E(double value, int w, int d, int k = 0);
std::string D(double value, int w, int d, int k = 0);    // as E with the letter D
std::string A(std::string_view text, int w);             // Aw: cut or right-justify
std::string X(int n);                                     // nX: n blanks

}  // namespace sim::ftn
