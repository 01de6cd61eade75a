// Entry point of Tavik, the process simulator.
#include "common/console.hpp"
#include "common/replace_file.hpp"
#include "process/process_main.hpp"

int main(int argc, char** argv) {
  sim::remove_temporary_file_on_termination_signals();
  return tavik::PROCMAIN(argc > 1 ? argv[1] : "", sim::process_console());
}
