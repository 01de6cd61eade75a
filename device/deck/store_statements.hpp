#pragma once
// Statements that only store their given values into the named blocks
// (BAND ... MODE, SOLV, QNTM, BBTL), and DOPN, COMM and PARA.
#include "common/deck_reader.hpp"
#include "device/run_state.hpp"

namespace devora {

// Reads the NAME=value list of statement k into run.params.
void read_statement_list(DeviceRun& run, sim::DeckReader& reader, int k);

// Reads statement k and stores its given values (k is not a list statement).
void run_store_statement(DeviceRun& run, sim::DeckReader& reader, int k);

}  // namespace devora
