// Fuzz target: the input is a device deck, read in-process through the
// statement tables into a fresh run (all list tables built, the mesh counts
// checked), as Devora reads its deck before it sets anything up. A fatal
// stop is a valid end for any deck; every other exception escaping, a crash
// or a sanitizer report is a fault.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "common/console.hpp"
#include "common/fatal_stop.hpp"
#include "device/devora.hpp"
#include "device/run_state.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ostringstream out;
  std::istringstream in;  // no keyboard: pauses for Enter return at once
  sim::Console console{out, in};
  devora::DeviceRun run{console};
  std::istringstream deck(std::string(reinterpret_cast<const char*>(data), size));
  try {
    devora::setup_deck_tables(run);
    devora::read_device_deck(run, deck);
  } catch (const sim::FatalStop&) {
    // The deck was refused with a message.
  }
  return 0;
}
