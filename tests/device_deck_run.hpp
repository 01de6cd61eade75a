#pragma once
// A device deck read in-process into a fresh run (for the deck tests).
#include <filesystem>
#include <sstream>
#include <string>

#include "common/fixed_text.hpp"
#include "device/devora.hpp"
#include "device/run_state.hpp"
#include "support.hpp"

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

// A deck read and set up in a scratch folder that is the working folder
// while it lives: it receives GUMRES.2dg, HEAT.2AS and the solution file.
struct ScratchRun : DeckRun {
  explicit ScratchRun(const std::string& deck) : DeckRun(deck), cwd(std::filesystem::current_path()) {
    std::filesystem::current_path(dir.path());
    run.filenames.solution() = sim::fixed((dir / "DEV.3D").string(), sim::kTextWidth);
    devora::set_up_device(run);
  }
  ~ScratchRun() { std::filesystem::current_path(cwd); }
  // Console lines (or pieces) written so far that hold `text`.
  int count(const std::string& text) const {
    const std::string o = out.str();
    int n = 0;
    for (std::size_t p = o.find(text); p != std::string::npos; p = o.find(text, p + 1)) ++n;
    return n;
  }
  testing_support::ScratchDir dir;
  std::filesystem::path cwd;
};
