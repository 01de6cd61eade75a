#pragma once
// The device deck's vocabulary: 33 statement keywords in dispatch order,
// their parameter counts, the 332 parameter names and their kinds.
#include "common/statement_table.hpp"

namespace devora {

// Statement numbers (position in the keyword table).
enum Statement : int {
  kBAND = 1, kPERM, kWORK, kSRH, kAUGE, kSURF, kCONM, kYAMA, kLOMB, kIONE, kIONP, kDOPN,
  kDOPA, kIVDA, kMESH, kSOLV, kMODE, kOHMI, kSCHO, kGATE, kBIPO, kPHOT, kRADI, kOXID,
  kQNTM, kDOPF, kPHOF, kBBTL, kRCMR, kREME, kCOMM, kLSRC, kPARA,
};

inline constexpr int kStatementCount = 33;
inline constexpr int kParameterCount = 332;
inline constexpr int kWorkBufferSize = 40;  // longest statement has 32 parameters

// The table as stored: every parameter numeric (the kinds of the text
// parameters are set at start-up, see mark_text_parameters).
sim::StatementTable device_statement_table();

// Marks the 21 text parameters (DOPN FILE, DOPA/DOPF COMM and DFIL, ...).
void mark_text_parameters(sim::StatementTable& table);

}  // namespace devora
