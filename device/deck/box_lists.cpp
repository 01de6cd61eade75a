// Doping boxes (DOPA/DOPF) and photogeneration boxes (PHOT/PHOF): one list
// of analytic or tabulated boxes each.
#include <algorithm>
#include <new>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/deck/list_reader.hpp"
#include "device/deck/list_statements.hpp"

namespace devora {

namespace {

// Slots of a box item (the same for all four keywords).
enum BoxSlot : int { kValue = 1, kXlft, kXrgt, kYtop, kYbot, kAlx, kAly, kComm, kDfil, kIwel, kExpx, kExpy };

constexpr std::size_t col(int slot) { return static_cast<std::size_t>(slot - 1); }

std::vector<ListRow> read_box_rows(DeviceRun& run, sim::DeckReader& reader, int k, bool doping) {
  std::vector<ListRow> rows;
  const ListRules rules{doping ? std::vector<int>{kDOPA, kDOPF} : std::vector<int>{kPHOT, kPHOF},
                      kListCapacity, "items"};
  const auto prepare = [&](int, int) {
    ListRow& row = rows.emplace_back();
    if (doping) {  // a doping box defaults to the Gaussian-like shape 3 with square exponents
      row.real[col(kIwel)] = 3.0;
      row.real[col(kExpx)] = 2.0;
      row.real[col(kExpy)] = 2.0;
    }
  };
  const auto store = [&](int item_k, int) {
    ListRow& row = rows.back();
    copy_given(run.params, row);
    if (run.params.given(kIwel)) row.real[col(kIwel)] = checked_int(run.params, kIwel);
    // A file box selects the tabulated profile of its DFIL file by a negative code.
    if (item_k == kDOPF || item_k == kPHOF) row.real[col(kIwel)] = -row.real[col(kIwel)];
  };
  read_list(run, reader, k, rules, prepare, store);
  return rows;
}

void fill_boxes(BoxFields& box, std::vector<double>& value, const std::vector<ListRow>& rows,
                std::string_view memory_message) {
  if (box.allocated) sim::ERRSTOP(padded(memory_message));
  const std::size_t n = rows.size();
  try {
    value.assign(n, 0.0);
    for (auto* v : {&box.XLFT, &box.XRGT, &box.YTOP, &box.YBOT, &box.ALX, &box.ALY, &box.EXPX, &box.EXPY})
      v->assign(n, 0.0);
    box.DFIL.assign(n, sim::fixed("", sim::kTextWidth));
    box.IWEL.assign(n, 0);
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(padded(memory_message));
  }
  box.allocated = true;
  for (std::size_t i = 0; i < n; ++i) {
    const ListRow& r = rows[i];
    value[i] = r.real[col(kValue)];
    box.XLFT[i] = r.real[col(kXlft)];
    box.XRGT[i] = r.real[col(kXrgt)];
    box.YTOP[i] = r.real[col(kYtop)];
    box.YBOT[i] = r.real[col(kYbot)];
    box.ALX[i] = r.real[col(kAlx)];
    box.ALY[i] = r.real[col(kAly)];
    box.DFIL[i] = r.text[col(kDfil)];
    // A file box's negated code can lie one beyond the integer range; every
    // code beyond +-4 selects the plain box, so the clamp changes nothing.
    box.IWEL[i] = static_cast<int>(std::clamp(r.real[col(kIwel)], -2147483647.0, 2147483647.0));
    box.EXPX[i] = r.real[col(kExpx)];
    box.EXPY[i] = r.real[col(kExpy)];
  }
}

}  // namespace

void read_box_list(DeviceRun& run, sim::DeckReader& reader, int k) {
  const bool doping = (k == kDOPA || k == kDOPF);
  const std::vector<ListRow> rows = read_box_rows(run, reader, k, doping);
  const int n = static_cast<int>(rows.size());
  if (doping) {
    fill_boxes(run.dopbox, run.dopbox.DOP, rows, " Not enough memory for doping arrays");
    run.dopbox.NDOP = n;
    run.igrid.DOPMOD = 1;
  } else {
    fill_boxes(run.phobox, run.phobox.RATE, rows, " Not enough memory for photo arrays");
    run.phobox.NPHO = n;
  }
}

}  // namespace devora
