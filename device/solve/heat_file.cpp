#include "device/solve/heat_file.hpp"

#include <cmath>

#include "common/fixed_text.hpp"
#include "common/fortran_format.hpp"
#include "common/replace_file.hpp"

namespace devora {

namespace {

constexpr const char* kHeatFile = "HEAT.2AS";
// Beyond what a 3-column field can show, well inside the range of an integer.
constexpr double kLargestShownRatio = 1e9;

void append_record(std::string& text, const sim::ftn::ListLine& line) {
  text += line.str();
  text += '\n';
}

}  // namespace

void REMPRT(HeatRecords& heat, std::span<const double> coordinates, std::span<const double> values,
            std::string_view title) {
  using sim::ftn::ListLine;
  const std::size_t n = values.size();
  std::string header_text(1, ' ');
  header_text += sim::fixed(title, kHeatTitleWidth);
  append_record(heat.text, ListLine().add(static_cast<int>(n)).add(header_text));
  for (std::size_t k = 0; k < n; ++k)
    append_record(heat.text, ListLine().add(coordinates[k] * heat.LDUM).add(values[k]));
}

std::string numbered_heat_title(std::string_view head, long long number, int width) {
  std::string title(head);
  title += sim::ftn::I(number, width);
  title += '\0';
  return sim::fixed(title, kHeatTitleWidth);
}

std::string smoothing_title(double ratio) {
  double shown = ratio;
  if (!(shown <= kLargestShownRatio)) shown = kLargestShownRatio;  // NaN and infinities too
  if (shown < -kLargestShownRatio) shown = -kLargestShownRatio;
  return numbered_heat_title("HEATSM", static_cast<long long>(shown), 3);
}

void write_heat_file(const HeatRecords& heat) { sim::replace_file(kHeatFile, heat.text); }

}  // namespace devora
