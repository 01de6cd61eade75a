#include "device/device_main.hpp"

#include "common/fatal_stop.hpp"

namespace devora {

int DEVMAIN(const std::string& /*deck_argument*/, sim::Console& console) {
  return sim::run_guarded(console, [] {});
}

}  // namespace devora
