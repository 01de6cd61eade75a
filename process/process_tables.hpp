#pragma once
// The process deck's vocabulary: 21 statement keywords in dispatch order,
// each with a slice of exactly 14 parameter names and their kinds.
// Statement keywords are recognised by their first 4 characters.
#include <string_view>

#include "common/statement_table.hpp"

namespace tavik {

// Statement numbers (position in the keyword table KEYTABP).
enum Statement : int {
  kMESH = 1, kSUBS, kPHIM, kBOIM, kASIM, kOXID, kEPIT, kRILE, kSOLVE, kPHDE, kBODE, kASDE,
  kANNE, kBAND, kDIFF, kOED, kDROX, kWEOX, kLOCO, kSEGR, kCOMM,
};

inline constexpr int kStatementCount = 21;
inline constexpr int kSliceLength = 14;          // names per statement
inline constexpr int kParameterCount = kStatementCount * kSliceLength;
inline constexpr int kKeywordCompareLength = 4;  // statement keywords
inline constexpr int kCommentSlot = 8;           // COMM text of statements 1..13

// KEYTABP, PARTABP and the kinds as one table.
sim::StatementTable process_statement_table();

}  // namespace tavik
