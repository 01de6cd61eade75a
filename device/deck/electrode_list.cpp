// Electrodes (OHMI, SCHO and GATE items in one list): the electrode table,
// the column labels of the I-V table file and the index from electrode
// number to table row.
#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/deck/list_reader.hpp"
#include "device/deck/list_statements.hpp"

namespace devora {

namespace {

// Electrode numbers index a table of MAXNUM entries; a bound keeps a stray
// huge number from demanding gigabytes.
constexpr int kMaxElectrodeNumber = 9999;
constexpr std::string_view kMemoryMessage = " Not enough memory for electrode arrays";

// Slots of an electrode item. Schottky items carry placeholders in slots
// 7-11 and their barrier FIB in slot 14: they land in the gate's fields.
enum ElectrodeSlot : int {
  kName = 1, kType, kNum, kLoc, kXlt, kXrt, kTox, kXqs, kAqs, kQsh, kQsg, kVsn, kVsp, kFim
};

constexpr std::size_t col(int slot) { return static_cast<std::size_t>(slot - 1); }

std::vector<ListRow> read_electrode_rows(DeviceRun& run, sim::DeckReader& reader, int k) {
  std::vector<ListRow> rows;
  const ListRules rules{{kOHMI, kSCHO, kGATE}, kListCapacity, "electrodes"};
  const auto prepare = [&](int, int) { rows.emplace_back(); };
  const auto store = [&](int item_k, int) {
    ListRow& row = rows.back();
    copy_given(run.params, row);
    for (int slot : {kNum, kLoc})
      if (run.params.given(slot)) row.real[col(slot)] = checked_int(run.params, slot);
    row.real[col(kType)] = item_k - kOHMI + 1;  // the keyword decides the type
  };
  read_list(run, reader, k, rules, prepare, store);
  return rows;
}

void allocate_electrode_table(ELECTAB& e, std::size_t n) {
  if (e.allocated) sim::ERRSTOP(padded(kMemoryMessage));
  try {
    e.NAME.assign(n, sim::fixed("", kElectrodeNameWidth));
    for (auto* v : {&e.TYPE, &e.NUM, &e.LOC, &e.EFIRST, &e.ELAST}) v->assign(n, 0);
    for (auto* v : {&e.XLT, &e.XRT, &e.TOX, &e.XQS, &e.AQS, &e.QSH, &e.QSG, &e.VSN, &e.VSP, &e.FIM,
                    &e.VCON, &e.DV, &e.CURN, &e.CURP, &e.CURT, &e.VOLD, &e.VCUR, &e.COX})
      v->assign(n, 0.0);
    e.VLAB.assign(n, "");
    e.ILAB.assign(n, "");
    e.RLAB.assign(n, "");
    e.GLAB.assign(n * n, "");
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(padded(kMemoryMessage));
  }
  e.allocated = true;
  e.NEL = static_cast<int>(n);
}

void fill_electrode_rows(ELECTAB& e, const std::vector<ListRow>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ListRow& r = rows[i];
    e.NAME[i] = sim::fixed(r.text[col(kName)], kElectrodeNameWidth);
    e.TYPE[i] = static_cast<int>(r.real[col(kType)]);
    e.NUM[i] = static_cast<int>(r.real[col(kNum)]);
    e.LOC[i] = static_cast<int>(r.real[col(kLoc)]);
    e.XLT[i] = r.real[col(kXlt)];
    e.XRT[i] = r.real[col(kXrt)];
    e.TOX[i] = r.real[col(kTox)];
    e.XQS[i] = r.real[col(kXqs)];
    e.AQS[i] = r.real[col(kAqs)];
    e.QSH[i] = r.real[col(kQsh)];
    e.QSG[i] = r.real[col(kQsg)];
    e.VSN[i] = r.real[col(kVsn)];
    e.VSP[i] = r.real[col(kVsp)];
    e.FIM[i] = r.real[col(kFim)];
  }
}

// Column labels: voltage "V"+initial, current "I"+initial, resistance
// "R"+initial twice, transconductance "G"+initial of j+initial of i.
void build_labels(ELECTAB& e) {
  const auto n = static_cast<std::size_t>(e.NEL);
  for (std::size_t i = 0; i < n; ++i) {
    const char c = e.NAME[i][0];
    e.VLAB[i] = std::string{'V', c};
    e.ILAB[i] = std::string{'I', c};
    e.RLAB[i] = std::string{'R', c, c};
    for (std::size_t j = 0; j < n; ++j) e.GLAB[i * n + j] = std::string{'G', e.NAME[j][0], c};
  }
}

std::string name_of(const ELECTAB& e, std::size_t i) { return std::string(sim::rtrim(e.NAME[i])); }

void check_numbers_and_gates(ELECTAB& e) {
  const auto n = static_cast<std::size_t>(e.NEL);
  e.MAXNUM = 0;
  for (std::size_t i = 0; i < n; ++i) e.MAXNUM = std::max(e.MAXNUM, e.NUM[i]);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (e.NUM[i] == e.NUM[j]) sim::ERRSTOP(padded(" Different contacts have same number"));
  for (std::size_t i = 0; i < n; ++i) {
    if (e.NUM[i] < 1 || e.NUM[i] > kMaxElectrodeNumber)
      sim::ERRSTOP(" Electrode " + name_of(e, i) + ": NUM must be given and lie between 1 and " +
                   std::to_string(kMaxElectrodeNumber));
    // The gate capacitance is EPSD/TOX.
    if (e.TYPE[i] == kGate && !(e.TOX[i] > 0.0))
      sim::ERRSTOP(" Gate electrode " + name_of(e, i) + ": oxide thickness TOX must be > 0");
  }
}

void build_number_index(ELECTAB& e) {
  try {
    e.ELIDX.assign(static_cast<std::size_t>(e.MAXNUM), 0);
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(padded(kMemoryMessage));
  }
  for (int i = 0; i < e.NEL; ++i) e.ELIDX[static_cast<std::size_t>(e.NUM[i] - 1)] = i + 1;
}

}  // namespace

void read_electrode_list(DeviceRun& run, sim::DeckReader& reader, int k) {
  const std::vector<ListRow> rows = read_electrode_rows(run, reader, k);
  ELECTAB& e = run.electab;
  allocate_electrode_table(e, rows.size());
  fill_electrode_rows(e, rows);
  build_labels(e);
  check_numbers_and_gates(e);
  build_number_index(e);
}

}  // namespace devora
