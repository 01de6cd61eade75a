#include "device/device_deck.hpp"

namespace devora {

void run_statement_branch(DeviceRun& run, sim::DeckReader& reader, int k) {
  run.params.begin_statement(run.table.keywords[k - 1], run.table.slice_names(k), run.table.slice_kinds(k));
  sim::RDPARM(reader, run.params);
}

}  // namespace devora
