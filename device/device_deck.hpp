#pragma once
#include "common/deck_reader.hpp"
#include "device/device_state.hpp"

namespace devora {

// Reads statement k (its keyword has just been read) and stores it.
void run_statement_branch(DeviceRun& run, sim::DeckReader& reader, int k);

}  // namespace devora
