#include "process/process_tables.hpp"

#include <array>

namespace tavik {

namespace {

constexpr std::array<std::string_view, kStatementCount> KEYTABP = {
    "MESH", "SUBS", "PHIM", "BOIM", "ASIM", "OXID", "EPIT", "RILE", "SOLVE", "PHDE", "BODE",
    "ASDE", "ANNE", "BAND", "DIFF", "OED",  "DROX", "WEOX", "LOCO", "SEGR",  "COMM"};

// Every statement owns 14 slots; unused slots hold placeholders (digit
// strings or DUMM) that a deck may name without effect.
constexpr std::array<std::string_view, kParameterCount> PARTABP = {
    // MESH
    "NX", "NY", "XX", "YY", "IM", "AX", "AY", "COMM", "2", "3", "4", "5", "6", "7",
    // SUBS
    "PH", "BO", "AS", "OR", "1", "2", "3", "COMM", "2", "3", "4", "5", "6", "7",
    // PHIM
    "XM", "DZ", "EN", "XD", "CS", "IP", "1", "COMM", "2", "3", "4", "5", "6", "7",
    // BOIM
    "XM", "DZ", "EN", "XD", "CS", "IB", "1", "COMM", "2", "3", "4", "5", "6", "7",
    // ASIM
    "XM", "DZ", "EN", "XD", "CS", "IA", "1", "COMM", "2", "3", "4", "5", "6", "7",
    // OXID
    "TC", "TM", "TAU", "OX", "POX", "U0", "XO", "COMM", "2", "3", "4", "5", "6", "7",
    // EPIT
    "TH", "PH", "BO", "AS", "TC", "TM", "TAU", "COMM", "2", "3", "4", "5", "6", "7",
    // RILE
    "FD", "FP", "FB", "FA", "5", "6", "7", "COMM", "2", "3", "4", "5", "6", "7",
    // SOLVE
    "IB", "IT", "RS", "RL", "CO", "IP", "7", "COMM", "2", "3", "4", "5", "6", "7",
    // PHDE
    "XD", "CS", "3", "4", "5", "6", "7", "COMM", "2", "3", "4", "5", "6", "7",
    // BODE
    "XD", "CS", "3", "4", "5", "6", "7", "COMM", "2", "3", "4", "5", "6", "7",
    // ASDE
    "XD", "CS", "3", "4", "5", "6", "7", "COMM", "2", "3", "4", "5", "6", "7",
    // ANNE
    "TC", "TM", "TAU", "4", "5", "6", "7", "COMM", "2", "3", "4", "5", "6", "7",
    // BAND
    "CINT", "EINT", "EGAP", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14",
    // DIFF
    "DX0A", "DXEA", "BETA", "DX0B", "DXEB", "BETB", "DX0P", "DXEP", "DMP", "DMEP", "DMMP", "DMME",
    "6", "7",
    // OED
    "OEA0", "OEA1", "OEB0", "OEB1", "OEP0", "OEP1", "OEE", "OELY", "OELX", "OEOX", "4", "5", "6", "7",
    // DROX
    "BD", "BAD", "BDE", "BADE", "BPF", "6", "7", "8", "9", "10", "11", "12", "13", "14",
    // WEOX
    "OR0", "OR1", "TCP", "BW1", "BWE1", "BW2", "BWE2", "TCL", "BAW1", "BAE1", "BAW2", "BAE2", "5",
    "6",
    // LOCO
    "KHI0", "KHI1", "DEL0", "DEL1", "DEL2", "DEL3", "DEL4", "DEL5", "GAM0", "GAM1", "GAM2", "GAM3",
    "GAM4", "GAM5",
    // SEGR
    "SEGA", "SEGP", "SGBD", "SBDE", "SBW0", "SBW1", "SBWE", "ALAM", "ELAM", "3", "4", "5", "6", "7",
    // COMM
    "METH", "PROJ", "TIME", "DUMM", "DUMM", "DUMM", "DUMM", "8", "9", "10", "11", "12", "13", "14"};

}  // namespace

sim::StatementTable process_statement_table() {
  sim::StatementTable table;
  table.keywords.assign(KEYTABP.begin(), KEYTABP.end());
  table.counts.assign(kStatementCount, kSliceLength);
  table.names.assign(PARTABP.begin(), PARTABP.end());
  table.kinds.assign(kParameterCount, sim::kNumberKind);
  for (int k = kMESH; k <= kANNE; ++k) table.set_kind(k, kCommentSlot, sim::kTextKind);
  for (int j = 1; j <= 3; ++j) table.set_kind(kCOMM, j, sim::kTextKind);  // METH, PROJ, TIME
  return table;
}

}  // namespace tavik
