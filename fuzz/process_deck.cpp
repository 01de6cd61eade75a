// Fuzz target: the input is a process deck, read in-process through the
// statement tables: every statement's list is read and its values taken into
// the run (defaults, kept and reset values, clamps, unit conversions, step
// plans), as Tavik's statement loop does. The mesh is not built and no step
// runs: those are sized and timed by the deck's own numbers, not by how it
// is read. A fatal stop is a valid end for any deck; every other exception
// escaping, a crash or a sanitizer report is a fault.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "common/console.hpp"
#include "common/deck_reader.hpp"
#include "common/fatal_stop.hpp"
#include "process/process_blocks.hpp"
#include "process/process_deck.hpp"
#include "process/process_state.hpp"
#include "process/process_tables.hpp"

namespace {

// Statement k as its branch reads and takes it, short of acting on the mesh.
void take_statement(tavik::ProcessRun& run, sim::DeckReader& reader, int k) {
  if (k == tavik::kRILE) return;  // accepted keyword without a list of its own
  tavik::read_parameters(run, reader, k);
  if (k == tavik::kMESH) tavik::take_mesh_values(run);
  else if (k == tavik::kSUBS) tavik::take_substrate_values(run);
  else if (tavik::is_process_statement(k)) tavik::take_step_values(run, k);
  else tavik::store_model_statement(run, k);
}

void read_deck(tavik::ProcessRun& run, std::istream& deck) {
  sim::DeckReader reader(deck, sim::DeckVariant::process, run.console);
  for (;;) {
    int status = 0;
    const int k = reader.RDKEYW(run.table.keywords, tavik::kKeywordCompareLength, status);
    if (status == sim::kDollar) return;
    if (status != sim::kColon && status != sim::kEquals) continue;  // lone ";" or "}"
    take_statement(run, reader, k);
    if (run.params.end_of_deck) return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::ostringstream out;
  std::istringstream in;  // no keyboard: pauses for Enter return at once
  sim::Console console{out, in};
  tavik::ProcessRun run{console};
  tavik::set_solcon_defaults(run.solcon);
  std::istringstream deck(std::string(reinterpret_cast<const char*>(data), size));
  try {
    read_deck(run, deck);
  } catch (const sim::FatalStop&) {
    // The deck was refused with a message.
  }
  return 0;
}
