#pragma once
// Numeric text files read in free format, as a list-directed READ does: the
// mesh, doping-profile and spectrum files all go through this reader.
//  - Numbers are separated by blanks, tabs, commas and line ends.
//  - A number may carry an exponent written with E or D (either case) or as
//    a bare signed integer after the mantissa ("1.5-3" is 1.5e-3).
//  - Every READ starts at the beginning of a new record (line) and, once it
//    has its numbers, drops the rest of the record that held the last one.
//  - Lines may end in CR LF.
//  - A record longer than kLongestRecord characters is a bad value: memory
//    stays bounded whatever the file holds.
#include <istream>
#include <span>
#include <string>

namespace sim {

enum class FreeReadStatus {
  ok,           // every value was read
  end_of_file,  // the file ended before the last value
  bad_value,    // a field that is not a number (or overflows the real type)
};

class FreeFormatReader {
 public:
  explicit FreeFormatReader(std::istream& in) : in_(in) {}

  // One READ of values.size() numbers. Values before a failure are kept; a
  // bad field leaves its value as it was.
  template <class Real>
  FreeReadStatus read(std::span<Real> values);

  // How many values the last READ stored: tells a clean end of the file
  // (none) from a record cut short by it.
  std::size_t values_read() const { return values_read_; }

  // Skips one whole record (a header line). False at the end of the file.
  bool skip_record();

 private:
  // Next field of the current READ, across line ends; false at end of file.
  bool next_field(std::string& field);
  bool next_line();

  std::istream& in_;
  std::string line_;
  std::size_t pos_ = 0;
  std::size_t values_read_ = 0;
  bool overlong_ = false;  // a record beyond the longest one read: a bad value
};

// Characters of one record at most; a longer record is not a numeric text
// file and reads as a bad value.
inline constexpr std::size_t kLongestRecord = std::size_t{1} << 20;

}  // namespace sim
