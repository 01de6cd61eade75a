#pragma once
#include "common/deck_reader.hpp"
#include "device/run_state.hpp"

namespace devora {

// Reads statement k (its keyword has just been read) and stores it; a list
// statement reads its whole list and builds its table.
void run_statement_branch(DeviceRun& run, sim::DeckReader& reader, int k);

// After the deck: checks the mesh counts and sizes what depends on the
// final NY.
void complete_deck(DeviceRun& run);

}  // namespace devora
