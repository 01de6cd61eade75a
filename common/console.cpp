#include "common/console.hpp"

#include <iostream>
#include <string>

namespace sim {

void Console::wait_for_enter() {
  out.flush();
  if (!in.good()) return;
  std::string discarded;
  std::getline(in, discarded);
}

Console& process_console() {
  static Console console{std::cout, std::cin};
  return console;
}

}  // namespace sim
