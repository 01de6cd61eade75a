#include "process/process_main.hpp"

#include "common/fatal_stop.hpp"

namespace tavik {

int PROCMAIN(const std::string& /*deck_argument*/, sim::Console& console) {
  return sim::run_guarded(console, [] {});
}

}  // namespace tavik
