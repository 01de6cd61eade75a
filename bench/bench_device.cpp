// Timing of the Gummel iteration on device decks (batch runs): the example
// diode and MOS transistor and a 200 x 200 version of the transistor. Each
// case solves the zero-bias point and two biased points (contact voltages
// set directly), and prints per bias point the seconds and Gummel
// iterations, the linear iterations per solve, and the shares of the time
// spent in the linear solves (factorisation included), in the models and
// assembly (the rest), and in file writes.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>

#include "common/console.hpp"
#include "common/fixed_text.hpp"
#include "device/devora.hpp"
#include "device/solve/gummel.hpp"

namespace {

namespace fs = std::filesystem;
using devora::DeviceRun;

std::string read_deck(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Contact e (0-based) at `volts`: an ohmic contact's nodes move with it.
void apply(DeviceRun& run, std::size_t e, double volts) {
  const double v = volts / run.scale.VT;
  const double shift = v - run.electab.VCON[e];
  run.electab.VCON[e] = v;
  if (run.electab.TYPE[e] != devora::kOhmic) return;
  const auto& m = run.mesh;
  const std::size_t nx = m.X.size(), last = (m.Y.size() - 1) * nx;
  for (std::size_t i = 0; i < nx; ++i) {
    if (m.ETOP[i] == static_cast<int>(e) + 1) run.nodes.PSI[i] += shift;
    if (m.EBOT[i] == static_cast<int>(e) + 1) run.nodes.PSI[last + i] += shift;
  }
}

struct Bias {
  std::size_t electrode;
  double volts;
};

void bench(const char* name, const std::string& deck, std::initializer_list<Bias> steps) {
  std::ostringstream sink;
  std::istringstream none;
  sim::Console console{sink, none};
  DeviceRun run(console);
  devora::setup_deck_tables(run);
  std::istringstream text(deck);
  devora::read_device_deck(run, text);
  run.filenames.solution() = sim::fixed("bench_device.3D", sim::kTextWidth);
  devora::set_up_device(run);
  const auto start = std::chrono::steady_clock::now();
  devora::GUMMEL(run, 0.0);
  for (const Bias& b : steps) {
    apply(run, b.electrode, b.volts);
    devora::GUMMEL(run, 0.0);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const devora::RunProfile& p = run.profile;
  const double points = static_cast<double>(p.bias_points);
  const double linear = p.linear_seconds, writes = p.write_seconds, rest = seconds - linear - writes;
  std::printf("%-12s %3d x %-3d %8.4f s/point %6.1f Gummel it/point %7.1f lin it/solve   solve %5.1f%%  models+assembly %5.1f%%  writes %5.1f%%\n",
              name, run.igrid.NX, run.igrid.NY, seconds / points, p.gummel_iterations / points,
              static_cast<double>(p.linear_iterations) / static_cast<double>(p.linear_solves),
              100.0 * linear / seconds, 100.0 * rest / seconds, 100.0 * writes / seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path examples = argc > 1 ? fs::path(argv[1]) : fs::path(EXAMPLES_DIR);
  const fs::path work = fs::temp_directory_path() / "bench_device";
  fs::create_directories(work);
  fs::current_path(work);  // GUMRES.2dg and the solution file go here
  const std::string diode = read_deck(examples / "diode.INP");
  const std::string mos = read_deck(examples / "mos.INP");
  bench("diode", diode, {{1, 0.2}, {1, 0.4}});
  bench("mos", mos, {{1, 1.0}, {2, 0.1}});
  const std::string big = std::regex_replace(mos, std::regex("NX=41 NY=31"), "NX=200 NY=200");
  bench("mos 200x200", big, {{1, 1.0}, {2, 0.1}});
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(work);
}
