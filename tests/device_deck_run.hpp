#pragma once
// A device deck read in-process into a fresh run (for the deck tests).
#include <sstream>
#include <string>

#include "device/devora.hpp"
#include "device/run_state.hpp"

struct DeckRun {
  explicit DeckRun(const std::string& deck) {
    devora::setup_deck_tables(run);
    std::istringstream text(deck);
    devora::read_device_deck(run, text);
  }
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  devora::DeviceRun run{console};
};
