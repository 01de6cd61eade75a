#include "common/free_format.hpp"

#include "common/deck_reader.hpp"
#include "common/line_input.hpp"

namespace sim {

namespace {

bool is_separator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r'; }

// A Fortran "D" exponent reads like "E".
std::string with_e_exponent(std::string field) {
  for (char& c : field) {
    if (c == 'D') c = 'E';
    if (c == 'd') c = 'e';
  }
  return field;
}

}  // namespace

bool FreeFormatReader::next_line() {
  pos_ = 0;
  const LineStatus status = read_line(in_, line_, kLongestRecord, kLongestRecord);
  if (status == LineStatus::too_long) overlong_ = true;
  return status == LineStatus::ok;
}

bool FreeFormatReader::skip_record() { return next_line() || overlong_; }

bool FreeFormatReader::next_field(std::string& field) {
  for (;;) {
    while (pos_ < line_.size() && is_separator(line_[pos_])) ++pos_;
    if (pos_ < line_.size()) break;
    if (!next_line()) return false;
  }
  const std::size_t start = pos_;
  while (pos_ < line_.size() && !is_separator(line_[pos_])) ++pos_;
  field = line_.substr(start, pos_ - start);
  return true;
}

template <class Real>
FreeReadStatus FreeFormatReader::read(std::span<Real> values) {
  // A READ begins with a fresh record: whatever the last one left is dropped.
  line_.clear();
  pos_ = 0;
  values_read_ = 0;
  std::string field;
  for (Real& value : values) {
    if (!next_field(field)) return overlong_ ? FreeReadStatus::bad_value : FreeReadStatus::end_of_file;
    // Converted aside, so that a bad field leaves its value as it was.
    Real converted{};
    if (!convert_number_field(with_e_exponent(field), converted)) return FreeReadStatus::bad_value;
    value = converted;
    ++values_read_;
  }
  return FreeReadStatus::ok;
}

template FreeReadStatus FreeFormatReader::read<float>(std::span<float>);
template FreeReadStatus FreeFormatReader::read<double>(std::span<double>);

}  // namespace sim
