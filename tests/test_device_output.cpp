// The solution file read back by the field-file reader, and the Gummel
// history "GUMRES.2dg" byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/dop3d.hpp"
#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/output/residual_history.hpp"
#include "device/output/solution_file.hpp"
#include "support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::ScratchDir;

// A 3 x 2 device with two outlines; every node array holds its own values.
struct OutputRun {
  explicit OutputRun(const fs::path& file) {
    run.mesh.X = {0.0, 10.0, 20.0};
    run.mesh.Y = {0.0, 30.0};
    run.scale.VT = 0.5, run.scale.NI = 1e10, run.scale.J0 = 3.0, run.scale.E0 = 7.0, run.scale.G0 = 11.0;
    run.scale.LDUM = 0.1;
    double base = 0.0;
    auto fill = [&base](std::vector<double>& a) {
      base += 100.0;
      a.resize(6);
      for (std::size_t n = 0; n < a.size(); ++n) a[n] = base + n;
    };
    devora::for_each_array(run.nodes, fill);
    devora::for_each_array(run.models, fill);
    devora::REGOUT& r = run.regout;
    r.NREG = 2;
    for (std::size_t k = 0; k < 2; ++k) {
      r.REGPTS[k] = {{{0.0, 0.0}, {0.0, 0.5 + k}, {1.0 + k, 0.5 + k}, {1.0 + k, 0.0}}};
      r.REGNPT[k] = 4;
      r.REGKND[k] = 1;
    }
    run.filenames.solution() = sim::fixed(file.string(), 80);
  }
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  devora::DeviceRun run{console};
};

std::uintmax_t solution_record_length(std::uintmax_t nx, std::uintmax_t ny, std::uintmax_t r) {
  return 256 + 8 * nx + 8 * ny + 36 * (80 + 9 * nx * ny) + 432 * r + 4;
}

TEST(SolutionFile, ReadBackInPhysicalUnits) {
  ScratchDir dir;
  OutputRun d(dir / "DIODE.3D");
  const std::string title = sim::fixed("METH=run; PROJ=diode", 80);
  devora::WRSOLN(d.run, title);
  const sim::Dop3d f = sim::read_dop3d(dir / "DIODE.3D");
  EXPECT_EQ(fs::file_size(dir / "DIODE.3D"), solution_record_length(3, 2, 2));
  EXPECT_EQ(f.title, title);
  EXPECT_EQ(f.x, (std::vector<double>{0.0, 1.0, 2.0}));
  EXPECT_EQ(f.y, (std::vector<double>{0.0, 3.0}));
  ASSERT_EQ(f.regions.size(), 2u);
  const sim::Dop3dCell second{{{0.0, 0.0}, {0.0, 1.5}, {2.0, 1.5}, {2.0, 0.0}}};
  EXPECT_EQ(f.regions[1], (sim::Dop3dRegion{0, 15, {second.begin(), second.end()}, {second}}));
  ASSERT_EQ(f.blocks.size(), 36u);
  for (const sim::Dop3dBlock& b : f.blocks) {
    EXPECT_EQ(b.region_codes, (std::vector<sim::Dop3dCodePair>(2, {22, 15}))) << b.label;
    EXPECT_EQ(b.mask, "TTTTTT") << b.label;
  }
  EXPECT_EQ(f.blocks[10].label, sim::fixed("Impact Ionization Rate (sm-3/s)", 80));
  EXPECT_EQ(f.blocks[30].label, sim::fixed("Tunneling Generation/Recombination Rate (cm-3/s)", 80));
  EXPECT_EQ(f.blocks[35].label, sim::fixed("Valence band edge (e.V.)", 80));
  const auto& nd = d.run.nodes;
  const auto& m = d.run.models;
  auto value = [&f](std::size_t block, std::size_t n) { return f.blocks[block - 1].values[n]; };
  EXPECT_DOUBLE_EQ(value(1, 4), nd.PSI[4] * 0.5);
  EXPECT_DOUBLE_EQ(value(8, 4), -m.GXPSI[4] * 7.0);  // the field is minus the gradient
  EXPECT_DOUBLE_EQ(value(19, 4), m.carrier.p.JY[4] * 3.0);
  EXPECT_DOUBLE_EQ(value(25, 4), m.carrier.p.PHI[4] * 0.5);
  EXPECT_DOUBLE_EQ(value(30, 4), m.RGB[4] * 11.0);
  EXPECT_DOUBLE_EQ(value(33, 4), nd.HOLE0[4] * 1e10);
  EXPECT_DOUBLE_EQ(value(36, 4), m.EV[4] * 0.5);

  d.run.regout.NREG = 0;  // rewritten whole: no outlines, no stale tail
  devora::WRSOLN(d.run, title);
  EXPECT_EQ(fs::file_size(dir / "DIODE.3D"), solution_record_length(3, 2, 0));
  EXPECT_TRUE(sim::read_dop3d(dir / "DIODE.3D").regions.empty());

  // A value that is not finite, or that overflows once scaled to physical
  // units, never replaces the last file: a stop naming file and quantity.
  const std::string good = testing_support::read_file(dir / "DIODE.3D");
  d.run.nodes.HOLE0[2] = 1e300;  // times NI = 1e10
  try {
    devora::WRSOLN(d.run, title);
    ADD_FAILURE() << "a non-finite value was written";
  } catch (const sim::FatalStop& stop) {
    EXPECT_EQ(std::string(stop.what()), " Solution file " + (dir / "DIODE.3D").string() +
                                            " not written: Equilibrium Hole concentration (cm-3) is not finite (NaN or Inf); "
                                            "the last file written is kept");
  }
  EXPECT_EQ(testing_support::read_file(dir / "DIODE.3D"), good);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

// Runs the test body inside a scratch folder and returns to where it was.
class InFolder {
 public:
  InFolder() : previous_(fs::current_path()) { fs::current_path(dir_.path()); }
  ~InFolder() { fs::current_path(previous_); }
  const ScratchDir& dir() const { return dir_; }

 private:
  ScratchDir dir_;
  fs::path previous_;
};

const std::string kHistoryHeader =
    "            1\n"
    " Gummel res, Imp.I and Cur vs iteration number\n";
const std::string kColumnNames =
    "            1 Iteration           2 Res(V)           3 DGEN           4 Cur\n";

TEST(ResidualHistory, RewrittenWholeOnEveryCall) {
  InFolder here;
  const std::vector<double> res{1.5e-3, 0.0, 12345.678}, dgen{1.0, 1.234567891e-10, 0.5},
      cur{-2.5e-6, 3e-9, -1.0};
  devora::WRPLOT(res, dgen, cur, 3);
  EXPECT_EQ(testing_support::read_file("GUMRES.2dg"),
            kHistoryHeader + "            4           3\n" + kColumnNames +
                "    1  0.15000000E-02  0.10000000E+01  -.25000000E-05\n"
                "    2  0.00000000E+00  0.12345679E-09  0.30000000E-08\n"
                "    3  0.12345678E+05  0.50000000E+00  -.10000000E+01\n");
  devora::WRPLOT(res, dgen, cur, 1);
  EXPECT_EQ(testing_support::read_file("GUMRES.2dg"),
            kHistoryHeader + "            4           1\n" + kColumnNames +
                "    1  0.15000000E-02  0.10000000E+01  -.25000000E-05\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(here.dir().path()), fs::directory_iterator{}), 1);
}

}  // namespace
