#pragma once
// Whether the state a process step leaves behind is made of finite numbers:
// the three concentrations of every node, the oxide thickness and the
// silicon surface depth of every column. A step whose numbers left the range
// of 4-byte reals stops the run before its doping file is written, so the
// file of the last sound step stays on disk as it was.
#include <span>
#include <string>
#include <string_view>

#include "process/process_mesh.hpp"

namespace tavik {

enum class StateFault {
  none,
  concentration,    // a concentration is NaN or infinite
  oxide_thickness,  // an oxide thickness or surface depth is NaN or infinite
};

bool all_finite(std::span<const float> values);

// The first fault of the mesh state: concentrations first, then the oxide.
StateFault non_finite_state(const ProcessMesh& mesh);

// The stop message of a fault, naming the step by its title ("Oxidation: ")
// and its keyword ("OXID").
std::string non_finite_message(std::string_view title, std::string_view keyword,
                               StateFault fault);

}  // namespace tavik
