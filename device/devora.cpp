#include "device/devora.hpp"

#include <fstream>
#include <new>

#include "common/deck_reader.hpp"
#include "common/fatal_stop.hpp"
#include "common/file_names.hpp"
#include "device/setup/arrays.hpp"
#include "device/output/iv_table.hpp"
#include "device/setup/doping.hpp"
#include "device/setup/mesh.hpp"
#include "device/setup/scaling.hpp"
#include "device/setup/spectra.hpp"
#include "device/solve/bias_sweep.hpp"
#include "device/solve/driver.hpp"
#include "device/deck/deck.hpp"
#include "device/run_state.hpp"

namespace devora {

namespace {

constexpr const char* kBanner = " Devora - two-dimensional device simulator, version 1.0";

// Checks the deck name and derives the names of all other files from it.
void derive_file_names(DeviceRun& run, const std::string& argument) {
  sim::check_name_length(argument);
  const sim::SplitName split = sim::FNEXT(argument);
  run.extension = split.ext;
  run.filenames.base() = split.base;
  const bool exact_extension = (split.ext == "INP" || split.ext == "inp") &&
                               argument.size() == static_cast<std::size_t>(split.length) + 4;
  if (!exact_extension) sim::ERRSTOP(" Input file extension must be *.INP     ");
  const std::string stem = argument.substr(0, split.length);
  run.filenames.solution() = sim::fixed(stem + ".3D", sim::kFileNameWidth);
  run.filenames.iv_table() = sim::fixed(stem + ".2D", sim::kFileNameWidth);
  run.filenames.mesh() = sim::fixed(stem + ".MSS", sim::kFileNameWidth);
  run.deck_name = stem + ".INP";
}

void print_banner(DeviceRun& run) { run.console.out << kBanner << "\n\n"; }

void run_device(DeviceRun& run, const std::string& argument) {
  setup_deck_tables(run);
  derive_file_names(run, argument);
  {
    std::ifstream deck = sim::open_deck(run.deck_name, argument, " Cannot open input file ");
    print_banner(run);
    read_device_deck(run, deck);
  }  // the deck is closed before anything sized from it is allocated
  set_up_device(run);
  run_curves(run);
}

}  // namespace

// Everything between the deck and the first curve, in run order.
void set_up_device(DeviceRun& run) {
  run.igrid.NNODE = run.igrid.NX * run.igrid.NY;
  allocate_basic_arrays(run);
  SCALSET(run);
  RDSPECT(run);
  RDMESH(run);
  DOPSET(run);
  run.igrid.MAXPOI = solver_iteration_limit(run.igrid.NNODE);
  allocate_supplementary_arrays(run);
}

// Each I-V curve in deck order: the doping again, the solution driver up to
// the start voltages, the sweep, and the I-V table file with the curves so far.
void run_curves(DeviceRun& run) {
  for (std::size_t c = 0; c < static_cast<std::size_t>(run.NCURV); ++c) {
    DOPSET(run);
    UINIT(run, c);
    CURVE(run, c);
    UITAB(run, static_cast<int>(c) + 1);
  }
}

// Work buffers of the statement branches and the kinds of the text parameters.
void setup_deck_tables(DeviceRun& run) {
  try {
    run.buffer_reals.assign(kStatementBufferSize, 0.0);
    run.buffer_texts.assign(kStatementBufferSize, sim::fixed("", sim::kTextWidth));
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(" Not enough memory for buffer arrays    ");
  }
  mark_text_parameters(run.table);
}

// The statement loop: keywords are looked up on 6 characters.
void read_device_deck(DeviceRun& run, std::istream& deck) {
  sim::DeckReader reader(deck, sim::DeckVariant::device, run.console);
  for (;;) {
    int status = 0;
    const int k = reader.RDKEYW(run.table.keywords, 6, status);
    if (status == sim::kDollar) break;
    if (status != sim::kColon && status != sim::kEquals) continue;  // stray ";" or "}"
    std::fill(run.buffer_reals.begin(), run.buffer_reals.end(), 0.0);
    std::fill(run.buffer_texts.begin(), run.buffer_texts.end(), sim::fixed("", sim::kTextWidth));
    run.params.end_of_deck = false;
    run_statement_branch(run, reader, k);
    if (run.params.end_of_deck) break;  // "$" inside the statement ends the deck too
  }
  complete_deck(run);
}

int DEVMAIN(const std::string& deck_argument, sim::Console& console) {
  return sim::run_guarded(console, [&] {
    DeviceRun run(console);
    run_device(run, deck_argument);
  });
}

}  // namespace devora
