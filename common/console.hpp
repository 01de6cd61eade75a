#pragma once
// The console of a run: where progress lines go and where the Enter-key
// pauses read from. Tests give a run string streams instead of the terminal.
#include <iosfwd>

namespace sim {

struct Console {
  std::ostream& out;
  std::istream& in;

  // Flush, then read and discard one line. At end of input it returns at
  // once, so a run with standard input closed or redirected never hangs.
  void wait_for_enter();
};

// The process's own console (std::cout / std::cin).
Console& process_console();

}  // namespace sim
