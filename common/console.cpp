#include "common/console.hpp"

#include <iostream>

namespace sim {

void Console::wait_for_enter() {
  out.flush();
  if (!in.good()) return;
  // One line is read and dropped; a line without end (input from a device
  // file) gives up after a million characters instead of holding the run.
  in.ignore(1000000, '\n');
}

Console& process_console() {
  static Console console{std::cout, std::cin};
  return console;
}

}  // namespace sim
