#pragma once
// Deck statements and their NAME=value lists: the statement table that each
// program fills with its own statements, the work buffers of the statement
// being read (RDPARM fills them), and the store (STORPAR) that copies the
// given values, and only those, into the model variables.
#include <cmath>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/deck_reader.hpp"
#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"

namespace sim {

inline constexpr int kTextKind = 0;     // quoted text, read by RDTEXT
inline constexpr int kNumberKind = 1;   // number, read by RDVALU

// Start (1-based) of group k of groups stored back to back: 1 + sizes of
// groups 1..k-1.
int TABOFS(std::span<const int> counts, int k);

// Statement keywords in dispatch order, their parameter counts, and the
// parameter names and kinds of all statements concatenated in keyword order.
struct StatementTable {
  std::vector<std::string_view> keywords;
  std::vector<int> counts;
  std::vector<std::string_view> names;
  std::vector<int> kinds;

  int size() const { return static_cast<int>(keywords.size()); }
  int slice_start(int k) const { return TABOFS(counts, k); }  // 1-based entry
  int count(int k) const { return counts[k - 1]; }
  NameTable slice_names(int k) const {
    return NameTable(names).subspan(slice_start(k) - 1, count(k));
  }
  std::span<const int> slice_kinds(int k) const {
    return std::span<const int>(kinds).subspan(slice_start(k) - 1, count(k));
  }
  // Parameter j (1-based) of statement k marked as text or number.
  void set_kind(int k, int j, int kind) { kinds[slice_start(k) + j - 2] = kind; }
};

// Work buffers of the statement being read; parameter j is 1-based, its
// position in the statement's slice.
template <class Real>
struct ParamBuffer {
  explicit ParamBuffer(int capacity)
      : given_(capacity, 0), values_(capacity, Real{}), texts_(capacity, std::string(kTextWidth, ' ')) {}

  // Makes the buffer the one of statement `keyword` with the given slice;
  // clears the given flags of its slots. The buffer keeps views of the
  // slices: they must live as long as the statement is read and stored.
  void begin_statement(std::string_view keyword, NameTable names, std::span<const int> kinds) {
    keyword_ = fixed(keyword, 6);
    names_ = names;
    kinds_ = kinds;
    clear_given();
    endflag = 0;
  }
  void clear_given() { std::fill(given_.begin(), given_.end(), 0); }

  int& given(int j) { return given_.at(j - 1); }
  int given(int j) const { return given_.at(j - 1); }
  Real& value(int j) { return values_.at(j - 1); }
  Real value(int j) const { return values_.at(j - 1); }
  std::string& text(int j) { return texts_.at(j - 1); }
  const std::string& text(int j) const { return texts_.at(j - 1); }

  const std::string& keyword() const { return keyword_; }
  NameTable names() const { return names_; }
  std::span<const int> kinds() const { return kinds_; }
  int count() const { return static_cast<int>(names_.size()); }

  int endflag = 0;           // 1 when the list was ended by "}"
  bool end_of_deck = false;  // "$" met where a parameter name was expected

 private:
  std::vector<int> given_;
  std::vector<Real> values_;
  std::vector<std::string> texts_;
  std::string keyword_;
  NameTable names_;
  std::span<const int> kinds_;
};

// Parses the NAME=value list of the current statement into `buffer`
// (parameter names compared on 6 characters).
template <class Real>
void RDPARM(DeckReader& reader, ParamBuffer<Real>& buffer) {
  constexpr int kMaxItems = 1000;
  buffer.endflag = 0;
  for (int item = 0; item < kMaxItems; ++item) {
    int status = 0;
    const int index = reader.RDKEYW(buffer.names(), 6, status);
    if (index != 0) buffer.given(index) = 1;
    if (status == kSemicolon) return;
    if (status == kBrace) {
      buffer.endflag = 1;
      return;
    }
    if (status == kDollar) {  // the deck ends inside the statement
      buffer.end_of_deck = true;
      return;
    }
    const std::string_view name = buffer.names()[index - 1];
    if (buffer.kinds()[index - 1] == kTextKind) {
      buffer.text(index) = reader.RDTEXT(buffer.keyword(), name);
    } else {
      int number_end = 0;
      buffer.value(index) = reader.RDVALU<Real>(buffer.keyword(), name, number_end);
      if (number_end == 1) return;
    }
  }
}

// STORPAR: for j = 1..m, where parameter offset+j was given, stores it into
// the j-th destination. Reals as read; integers truncated toward zero (a
// value outside the 32-bit range is a number failure); texts cut or blank
// padded to the destination's width.
template <class Real>
void STORPAR(const ParamBuffer<Real>& buffer, int offset, std::initializer_list<Real*> dest) {
  int j = offset;
  for (Real* d : dest) {
    ++j;
    if (buffer.given(j)) *d = buffer.value(j);
  }
}

// The bounds are powers of two, exact in both real types: a 4-byte real
// cannot hold 2147483647, and its nearest value 2^31 is out of range.
template <class Real>
int truncate_to_int(const ParamBuffer<Real>& buffer, int j) {
  constexpr Real kTwoTo31 = Real(2147483648.0);
  const Real v = std::trunc(buffer.value(j));
  if (!(v >= -kTwoTo31 && v < kTwoTo31)) ERRSTOP(number_failure_message(buffer.keyword(), buffer.names()[j - 1]));
  return static_cast<int>(v);
}

template <class Real>
void STORPAR(const ParamBuffer<Real>& buffer, int offset, std::initializer_list<int*> dest) {
  int j = offset;
  for (int* d : dest) {
    ++j;
    if (buffer.given(j)) *d = truncate_to_int(buffer, j);
  }
}

// Text destinations: each std::string keeps its own width (a field shorter
// than 80 characters receives the first characters of the text).
template <class Real>
void STORPAR(const ParamBuffer<Real>& buffer, int offset, std::initializer_list<std::string*> dest) {
  int j = offset;
  for (std::string* d : dest) {
    ++j;
    if (buffer.given(j)) *d = fixed(buffer.text(j), d->size());
  }
}

// Array destination: elements 1..m of `dest` (a run of one kind).
template <class Real, class T>
void STORPAR(const ParamBuffer<Real>& buffer, int offset, std::span<T> dest) {
  for (std::size_t e = 0; e < dest.size(); ++e) {
    const int j = offset + static_cast<int>(e) + 1;
    if (!buffer.given(j)) continue;
    if constexpr (std::is_same_v<T, int>) {
      dest[e] = truncate_to_int(buffer, j);
    } else if constexpr (std::is_same_v<T, std::string>) {
      dest[e] = fixed(buffer.text(j), dest[e].size());
    } else {
      dest[e] = static_cast<T>(buffer.value(j));
    }
  }
}

}  // namespace sim
