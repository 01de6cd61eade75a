// Timing of whole device runs (batch decks): the example diode and MOS
// transistor sweeps, each on its own mesh and on a finer one (41 x 161 and
// 200 x 200). Prints per
// case the seconds per run, per bias point and per Gummel iteration, the
// regridding time, the linear iterations per solve, and the shares of the
// run spent in the linear solves (factorisation included), in the models
// and assembly (the rest), and in file writes.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "common/console.hpp"
#include "common/fixed_text.hpp"
#include "device/devora.hpp"

namespace {

namespace fs = std::filesystem;

std::string read_deck(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void bench(const char* name, const std::string& deck) {
  std::ostringstream sink;
  std::istringstream none;
  sim::Console console{sink, none};
  devora::DeviceRun run(console);
  devora::setup_deck_tables(run);
  std::istringstream text(deck);
  devora::read_device_deck(run, text);
  run.filenames.solution() = sim::fixed("bench.3D", sim::kTextWidth);
  run.filenames.iv_table() = sim::fixed("bench.2D", sim::kTextWidth);
  const auto start = std::chrono::steady_clock::now();
  devora::set_up_device(run);
  devora::run_curves(run);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const devora::RunProfile& p = run.profile;
  const double points = static_cast<double>(p.bias_points), iterations = static_cast<double>(p.gummel_iterations);
  const double rest = seconds - p.linear_seconds - p.write_seconds - p.regrid_seconds;
  std::printf(
      "%-6s %3d x %-3d %7.3f s/run %3.0f points %7.4f s/point %5.1f it/point %8.5f s/it  regrid %6.3f s  "
      "%5.1f lin it/solve  solve %4.1f%%  models+assembly %4.1f%%  writes %4.1f%%\n",
      name, run.igrid.NX, run.igrid.NY, seconds, points, seconds / points, iterations / points, seconds / iterations,
      p.regrid_seconds, static_cast<double>(p.linear_iterations) / static_cast<double>(p.linear_solves),
      100.0 * p.linear_seconds / seconds, 100.0 * rest / seconds, 100.0 * p.write_seconds / seconds);
}

std::string with_mesh(const std::string& deck, const std::string& from, const std::string& to) {
  return std::regex_replace(deck, std::regex(from), to);
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path examples = argc > 1 ? fs::path(argv[1]) : fs::path(EXAMPLES_DIR);
  const fs::path work = fs::temp_directory_path() / "bench_device";
  fs::create_directories(work);
  fs::current_path(work);  // the output files go here
  const std::string diode = read_deck(examples / "diode.INP");
  const std::string mos = read_deck(examples / "mos.INP");
  bench("diode", diode);
  bench("diode", with_mesh(diode, "NX=11 NY=41", "NX=41 NY=161"));
  bench("mos", mos);
  bench("mos", with_mesh(mos, "NX=41 NY=31", "NX=200 NY=200"));
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(work);
}
