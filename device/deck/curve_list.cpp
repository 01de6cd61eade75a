// I-V curves (IVDA items): which electrode is ramped, how many points, the
// voltage step and the start voltage of every electrode; and the I-V result
// tables sized for all points of all curves.
#include <climits>
#include <cstdint>
#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/fortran_format.hpp"
#include "device/deck/list_reader.hpp"
#include "device/deck/list_statements.hpp"

namespace devora {

namespace {

constexpr std::string_view kMemoryMessage = " Not enough memory for I-V data arrays";

// Slots of a curve item: TEXT NUMC NPNT VSTE, then V1 ... V20.
enum CurveSlot : int { kText = 1, kNumc, kNpnt, kVste, kV1 };

constexpr std::size_t col(int slot) { return static_cast<std::size_t>(slot - 1); }

// A start voltage must name an existing electrode.
void check_voltage_electrode(DeviceRun& run, int e) {
  const ELECTAB& tab = run.electab;
  if (e > tab.MAXNUM) sim::ERRSTOP(padded(" Undefined electrode number", 42));
  if (!tab.index_of_number(e)) {
    run.console.out << sim::ftn::ListLine().add(" Voltage for electrode ").add(e).str() << '\n';
    sim::ERRSTOP(padded(" Undefined electrode number"));
  }
}

std::vector<ListRow> read_curve_rows(DeviceRun& run, sim::DeckReader& reader, int k) {
  std::vector<ListRow> rows;
  const ListRules rules{{kIVDA}, kListCapacity, "curves"};
  const auto prepare = [&](int, int) { rows.emplace_back(); };
  const auto store = [&](int, int) {
    ListRow& row = rows.back();
    copy_given(run.params, row);
    for (int slot : {kNumc, kNpnt})
      if (run.params.given(slot)) row.real[col(slot)] = checked_int(run.params, slot);
    for (int e = 1; e <= kMaxElectrodes; ++e)
      if (run.params.given(kV1 + e - 1)) check_voltage_electrode(run, e);
  };
  read_list(run, reader, k, rules, prepare, store);
  return rows;
}

void check_electrode_count(const ELECTAB& tab) {
  if (tab.NEL < 1) sim::ERRSTOP(padded(" Number of electrodes < 1"));
  if (tab.NEL > kMaxElectrodes) sim::ERRSTOP(padded(" Number of electrodes        > 20"));
}

void allocate_curve_table(CURVTAB& c, std::size_t curves, std::size_t electrodes) {
  if (c.allocated) sim::ERRSTOP(padded(kMemoryMessage));
  try {
    c.TEXT.assign(curves, sim::fixed("", sim::kTextWidth));
    c.VSTART.assign(curves * electrodes, 0.0);
    c.NEL = static_cast<int>(electrodes);
    c.IRAMP.assign(curves, 0);
    c.NPNT.assign(curves, 0);
    c.VSTE.assign(curves, 0.0);
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(padded(kMemoryMessage));
  }
  c.allocated = true;
}

void fill_curve(DeviceRun& run, const ListRow& row, std::size_t c) {
  const ELECTAB& tab = run.electab;
  CURVTAB& curves = run.curvtab;
  curves.TEXT[c] = row.text[col(kText)];
  const int ramped = static_cast<int>(row.real[col(kNumc)]);
  const auto r = tab.index_of_number(ramped);
  if (!r) sim::ERRSTOP(padded(" Undefined ramped electrode number"));
  curves.IRAMP[c] = static_cast<int>(*r) + 1;
  curves.NPNT[c] = static_cast<int>(row.real[col(kNpnt)]);
  if (curves.NPNT[c] < 0)
    sim::ERRSTOP(" I-V curve " + std::to_string(c + 1) + ": number of points NPNT < 0");
  curves.VSTE[c] = row.real[col(kVste)];
  for (int e = 1; e <= kMaxElectrodes; ++e)
    if (const auto re = tab.index_of_number(e)) curves.start_voltage(c, *re) = row.real[col(kV1 + e - 1)];
}

// The result tables hold all points of all curves: (3*NEL + 2) reals and
// 3 integers per point. Room for the first points is made now; the sweep
// grows the tables as it records, so a huge NPNT costs memory only for
// points that are computed.
void allocate_iv_results(DeviceRun& run, std::int64_t points) {
  constexpr std::int64_t kPointsAtFirst = 10000;
  if (points > INT_MAX) sim::ERRSTOP(padded(kMemoryMessage));
  run.comuit.NPTOT = static_cast<int>(points);
  IvResults& iv = run.iv;
  iv.NEL = run.electab.NEL;
  try {
    iv.ensure_points(static_cast<std::size_t>(std::min(points, kPointsAtFirst)));
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(padded(kMemoryMessage));
  } catch (const std::length_error&) {
    sim::ERRSTOP(padded(kMemoryMessage));
  }
}

}  // namespace

void read_curve_list(DeviceRun& run, sim::DeckReader& reader, int k) {
  const std::vector<ListRow> rows = read_curve_rows(run, reader, k);
  check_electrode_count(run.electab);
  allocate_curve_table(run.curvtab, rows.size(), static_cast<std::size_t>(run.electab.NEL));
  std::int64_t points = 0;
  for (std::size_t c = 0; c < rows.size(); ++c) {
    fill_curve(run, rows[c], c);
    points += run.curvtab.NPNT[c];
  }
  run.NCURV = static_cast<int>(rows.size());
  allocate_iv_results(run, points);
}

}  // namespace devora
