// Entry point of Devora, the device simulator.
#include "common/console.hpp"
#include "device/devora.hpp"

int main(int argc, char** argv) {
  return devora::DEVMAIN(argc > 1 ? argv[1] : "", sim::process_console());
}
