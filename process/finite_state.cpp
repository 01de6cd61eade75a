#include "process/finite_state.hpp"

#include <algorithm>
#include <cmath>

namespace tavik {

bool all_finite(std::span<const float> values) {
  return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

StateFault non_finite_state(const ProcessMesh& mesh) {
  if (!all_finite(mesh.CPHOS) || !all_finite(mesh.CBOR) || !all_finite(mesh.CARS))
    return StateFault::concentration;
  if (!all_finite(mesh.S) || !all_finite(mesh.YSURF)) return StateFault::oxide_thickness;
  return StateFault::none;
}

std::string non_finite_message(std::string_view title, std::string_view keyword,
                               StateFault fault) {
  // "Inert annealing: " is named as "Inert annealing".
  const std::size_t end = title.find_last_not_of(": ");
  const std::string name(title.substr(0, end == std::string_view::npos ? 0 : end + 1));
  const char* what = fault == StateFault::oxide_thickness
                         ? "an oxide thickness is no longer a finite number"
                         : "a concentration is no longer a finite number";
  return " " + name + " step (" + std::string(keyword) + "): " + what +
         "; the doping file is not rewritten";
}

}  // namespace tavik
