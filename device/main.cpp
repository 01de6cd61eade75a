// Entry point of Devora, the device simulator.
#include "common/console.hpp"
#include "common/replace_file.hpp"
#include "device/devora.hpp"

int main(int argc, char** argv) {
  sim::remove_temporary_file_on_termination_signals();
  return devora::DEVMAIN(argc > 1 ? argv[1] : "", sim::process_console());
}
