#include "process/process_main.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "common/deck_reader.hpp"
#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "process/process_deck.hpp"
#include "process/process_names.hpp"
#include "process/process_state.hpp"
#include "process/version.hpp"

namespace tavik {

namespace {

// Settings that a run starts from, whatever the blocks were built with.
void start_run(ProcessRun& run) {
  set_solcon_defaults(run.solcon);
  run.dopcnt = {0, 0, 0};
  run.mesh.JSMAX = 1;
  run.oxidation_count = 0;
  run.interpolation_state = 0;
}

// The deck is opened with its name exactly as given, for reading only: a
// name that does not name a readable file stops the run and creates nothing.
std::ifstream open_deck(const std::string& name) {
  std::ifstream deck;
  std::error_code ec;
  if (!name.empty() && !std::filesystem::is_directory(name, ec))
    deck.open(name, std::ios::binary);
  if (!deck.is_open()) {
    const std::string shown = sim::fixed(name, std::max(sim::kTextWidth, name.size()));
    sim::stop_at_once("\n\n Check input file " + shown + "\n");
  }
  return deck;
}

void print_banner(ProcessRun& run) { run.console.out << ' ' << kTavikBanner << "\n\n"; }

// Checks the deck name and derives the doping file's name beside the deck.
void derive_file_names(ProcessRun& run) {
  const DeckNameParts parts = FNEXTP(run.deck_name);
  run.extension = parts.extension;
  if (!deck_extension_accepted(parts.extension))
    sim::ERRSTOP(" Input file extension must be *.INP     ");
  run.doping_file = doping_file_name(parts);
}

// The statement loop: keywords looked up on their first 4 characters; each
// statement is carried out as soon as it has been read; "$" ends the run.
void read_deck(ProcessRun& run, std::istream& deck) {
  sim::DeckReader reader(deck, sim::DeckVariant::process, run.console);
  for (;;) {
    int status = 0;
    const int k = reader.RDKEYW(run.table.keywords, kKeywordCompareLength, status);
    if (status == sim::kDollar) return;
    if (status != sim::kColon && status != sim::kEquals) continue;  // lone ";" or "}"
    run_statement_branch(run, reader, k);
    if (run.params.end_of_deck) return;  // "$" inside the statement ends the deck too
  }
}

void run_process(ProcessRun& run, const std::string& argument) {
  start_run(run);
  run.deck_name = argument;
  std::ifstream deck = open_deck(run.deck_name);
  print_banner(run);
  derive_file_names(run);
  read_deck(run, deck);
}

}  // namespace

int PROCMAIN(const std::string& deck_argument, sim::Console& console) {
  return sim::run_guarded(console, [&] {
    ProcessRun run(console);
    run_process(run, deck_argument);
  });
}

}  // namespace tavik
