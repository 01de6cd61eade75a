#include "common/fatal_stop.hpp"

#include <iostream>
#include <new>

namespace sim {

void ERRSTOP(std::string_view message) { throw FatalStop(message, FatalStop::Wait::enter); }

void stop_at_once(std::string_view message) { throw FatalStop(message, FatalStop::Wait::none); }

int run_guarded(Console& console, const std::function<void()>& body) {
  try {
    body();
    console.out.flush();
    return 0;
  } catch (const FatalStop& stop) {
    console.out << stop.what() << '\n';
    if (stop.wait == FatalStop::Wait::enter) console.wait_for_enter();
    console.out.flush();
  } catch (const std::bad_alloc&) {
    console.out << " Not enough memory" << '\n';
    console.out.flush();
  }
  return 1;
}

}  // namespace sim
