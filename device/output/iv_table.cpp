#include "device/output/iv_table.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/fortran_format.hpp"
#include "common/replace_file.hpp"

namespace devora {

namespace {

using sim::ftn::A;
using sim::ftn::I;
using sim::ftn::ListLine;
using sim::ftn::X;

constexpr std::size_t kPairsPerHeaderLine = 25;

std::string iv_table_name(const DeviceRun& run) {
  return std::string(sim::rtrim(run.filenames.iv_table()));
}

// Points of curve c (0-based); a curve with none has empty tables.
std::size_t points_of(const DeviceRun& run, std::size_t c) {
  return static_cast<std::size_t>(std::max(run.curvtab.NPNT[c], 0));
}

struct HeaderPair {
  int column;
  std::string label;
};

// Header layout (1X,I1,A3,3X,I1,1X,A6,2X,25(1X,I3,1X,A17)): the first two
// columns, then the labelled columns 25 to a line; further pairs start new
// lines with the same pair layout.
void write_header(std::ostream& out, std::string_view first_label, std::string_view second_label,
                  const std::vector<HeaderPair>& pairs) {
  std::string line = X(1) + I(1, 1) + A(first_label, 3) + X(3) + I(2, 1) + X(1) + A(second_label, 6) + X(2);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    if (i > 0 && i % kPairsPerHeaderLine == 0) {
      out << line << '\n';
      line.clear();
    }
    line += X(1) + I(pairs[i].column, 3) + X(1) + A(pairs[i].label, 17);
  }
  out << line << '\n';
}

// One value of a data row: 1X,1PE21.14.
std::string row_value(double value) { return X(1) + sim::ftn::E(value, 21, 14, 1); }

// (1X,I4,3X,I8,2X,48(1X,1PE21.14)): point, status, voltages, currents.
std::string iv_row(const IvResults& iv, int point, std::size_t e) {
  std::string row = X(1) + I(point, 4) + X(3) + I(iv.gummel_status(e), 8) + X(2);
  const auto electrodes = static_cast<std::size_t>(iv.NEL);
  for (std::size_t k = 0; k < electrodes; ++k) row += row_value(iv.voltage(e, k));
  for (std::size_t k = 0; k < electrodes; ++k) row += row_value(iv.current(e, k));
  return row;
}

// (1X,I4,3X,F8.3,2X,48(1X,1PE21.14)): point, midpoint voltage of the ramped
// electrode, transconductances, differential resistance.
std::string transconductance_row(const IvResults& iv, int point, std::size_t e) {
  std::string row = X(1) + I(point, 4) + X(3) + sim::ftn::F(iv.mean_ramp_voltage(e), 8, 3) + X(2);
  const auto electrodes = static_cast<std::size_t>(iv.NEL);
  for (std::size_t k = 0; k < electrodes; ++k) row += row_value(iv.transconductance(e, k));
  return row + row_value(iv.resistance(e));
}

void write_iv_table(std::ostream& out, const DeviceRun& run, std::size_t c, std::size_t first_entry) {
  const ELECTAB& tab = run.electab;
  const auto electrodes = static_cast<std::size_t>(tab.NEL);
  const std::size_t points = points_of(run, c);
  out << ListLine().add("I-V Data for ").add(sim::fixed(run.curvtab.TEXT[c], sim::kTextWidth)).str() << '\n';
  out << ListLine().add(2 * tab.NEL + 2).add(static_cast<int>(points)).str() << '\n';
  std::vector<HeaderPair> pairs;
  for (std::size_t k = 0; k < electrodes; ++k) pairs.push_back({static_cast<int>(k) + 3, tab.VLAB[k]});
  for (std::size_t k = 0; k < electrodes; ++k)
    pairs.push_back({tab.NEL + static_cast<int>(k) + 3, tab.ILAB[k]});
  write_header(out, "# ", "STATUS", pairs);
  for (std::size_t p = 0; p < points; ++p)
    out << iv_row(run.iv, static_cast<int>(p) + 1, first_entry + p) << '\n';
}

void write_transconductance_table(std::ostream& out, const DeviceRun& run, std::size_t c,
                                  std::size_t first_entry) {
  const ELECTAB& tab = run.electab;
  const auto electrodes = static_cast<std::size_t>(tab.NEL);
  const std::size_t r = run.curvtab.ramped_electrode(c);
  // The last point of a curve has no next point to differ from.
  const std::size_t steps = std::max<std::size_t>(points_of(run, c), 1) - 1;
  out << ListLine().add("Transconductance for ").add(sim::fixed(run.curvtab.TEXT[c], sim::kTextWidth)).str()
      << '\n';
  out << ListLine().add(tab.NEL + 3).add(static_cast<int>(steps)).str() << '\n';
  std::vector<HeaderPair> pairs;
  for (std::size_t j = 0; j < electrodes; ++j)
    pairs.push_back({static_cast<int>(j) + 3, tab.GLAB[r * electrodes + j]});
  pairs.push_back({tab.NEL + 3, tab.RLAB[r]});
  write_header(out, "#", tab.VLAB[r], pairs);
  for (std::size_t p = 0; p < steps; ++p)
    out << transconductance_row(run.iv, static_cast<int>(p) + 1, first_entry + p) << '\n';
}

// The tables must hold every entry that the curves to be written claim;
// returns their count.
std::size_t check_request(const DeviceRun& run, int curves) {
  if (curves < 0 || curves > run.NCURV)
    throw std::invalid_argument("UITAB: curve count outside 0..NCURV");
  std::size_t entries = 0;
  for (std::size_t c = 0; c < static_cast<std::size_t>(curves); ++c) entries += points_of(run, c);
  if (entries > run.iv.points()) throw std::invalid_argument("UITAB: curves claim more I-V points than recorded");
  return entries;
}

// What result value `at` (entries point after point) is, for the message.
std::string result_named(const IvResults& iv, std::size_t at) {
  const std::size_t point = at / iv.reals_per_point() + 1, place = at % iv.reals_per_point();
  const auto electrodes = static_cast<std::size_t>(iv.NEL);
  static constexpr std::array<const char*, 3> kPerElectrode = {"voltage", "current", "transconductance"};
  const std::string what = place < 3 * electrodes ? std::string(kPerElectrode[place / electrodes]) +
                                                        " of electrode " + std::to_string(place % electrodes + 1)
                           : place == 3 * electrodes ? "mean ramped voltage"
                                                     : "differential resistance";
  return what + " of result point " + std::to_string(point);
}

// No NaN or infinity is ever written: the last file stays.
void check_finite(const DeviceRun& run, std::size_t entries) {
  const std::span<const double> values(run.iv.IVRES.data(), entries * run.iv.reals_per_point());
  const auto bad = std::find_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); });
  if (bad == values.end()) return;
  sim::ERRSTOP(" I-V table file " + iv_table_name(run) + " not written: the " +
               result_named(run.iv, static_cast<std::size_t>(bad - values.begin())) +
               " is not finite (NaN or Inf); the last file written is kept");
}

}  // namespace

void UITAB(const DeviceRun& run, int curves) {
  check_finite(run, check_request(run, curves));
  sim::replace_file(iv_table_name(run), [&](std::ostream& out) {
    out << ListLine().add(2 * curves).str() << '\n';
    std::size_t first_entry = 0;
    for (std::size_t c = 0; c < static_cast<std::size_t>(curves); ++c) {
      write_iv_table(out, run, c, first_entry);
      write_transconductance_table(out, run, c, first_entry);
      first_entry += points_of(run, c);
    }
  });
}

}  // namespace devora
