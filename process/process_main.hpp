#pragma once
#include <string>

#include "common/console.hpp"

namespace tavik {

// Runs the process simulator on the deck named on the command line; returns
// the process exit status (0 normal end, 1 fatal stop).
int PROCMAIN(const std::string& deck_argument, sim::Console& console);

}  // namespace tavik
