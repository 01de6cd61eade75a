// Entry point of Tavik, the process simulator.
#include "common/console.hpp"
#include "process/process_main.hpp"

int main(int argc, char** argv) {
  return tavik::PROCMAIN(argc > 1 ? argv[1] : "", sim::process_console());
}
