// Adaptive regridding: the share of uniform lines, placement by
// equidistribution, window densities, and regridding passes on the
// zero-bias solution of a diode with its invariants and "HEAT.2AS".
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "device/devora.hpp"
#include "device/physics/poisson.hpp"
#include "device/solve/heat_file.hpp"
#include "device/solve/line_density.hpp"
#include "device/solve/regrid.hpp"
#include "device_deck_run.hpp"
#include "support.hpp"

namespace {

using testing_support::read_file;
using testing_support::ScratchDir;

TEST(Regrid, UniformLineShare) {
  EXPECT_EQ(devora::uniform_line_count(30), 8);
  EXPECT_EQ(devora::uniform_line_count(100), 54);
}

TEST(Regrid, EquidistributionPlacesUnitsOfTheDensityIntegral) {
  // A uniform density on uniform lines gives the old spacings back.
  std::vector<double> D(11, 3.0), h(10, 0.5), hn(10);
  devora::MECON(D, h, hn);
  for (double s : hn) EXPECT_NEAR(s, 0.5, 1e-9);
  double integral = 0.0;
  for (std::size_t k = 0; k < h.size(); ++k) integral += 0.5 * (D[k] + D[k + 1]) * h[k];
  EXPECT_NEAR(integral, 10.0, 1e-9);  // normalised to n - 1
  // A constant density on graded lines spreads them evenly over the same length.
  std::vector<double> flat(7, 1.0), graded = {0.1, 0.2, 0.4, 0.8, 1.6, 0.9}, even(6);
  devora::MECON(flat, graded, even);
  for (double s : even) EXPECT_NEAR(s, 4.0 / 6.0, 1e-9);
  // A density with no positive integral places nothing: the old spacings.
  std::vector<double> zero(7, 0.0), kept(6);
  devora::MECON(zero, graded, kept);
  EXPECT_EQ(kept, graded);
}

TEST(Regrid, WindowDensities) {
  const std::vector<double> x = {0.0, 1.0, 3.0, 6.0, 10.0};
  std::vector<double> D(5, 0.0);
  const std::vector<devora::DensityWindow> windows = {
      {1.2, 1.5, 2},    // no line inside: half the count on each line of [1, 3], over its own interval
      {7.0, 8.0, 2},    // no line inside, last interval: its spacing serves both lines
      {0.5, 3.0, 1},    // lines at 1 and 3 inside (the upper edge included)
      {11.0, 12.0, 4}}; // beyond the last line: nothing
  devora::REMDENS(windows, x, D);
  const double inside = 1.0 / (2.5 + 1e-8);
  EXPECT_DOUBLE_EQ(D[0], 0.0);
  EXPECT_DOUBLE_EQ(D[1], 0.5 + inside);
  EXPECT_DOUBLE_EQ(D[2], 1.0 / 3.0 + inside);
  EXPECT_DOUBLE_EQ(D[3], 0.25);
  EXPECT_DOUBLE_EQ(D[4], 0.25);
}

// A diode with an n+ well in the left part of the top surface, set up and
// solved at zero bias in a scratch folder (which receives "HEAT.2AS").
struct RegridRun : DeckRun {
  explicit RegridRun(const std::string& deck) : DeckRun(deck), cwd(std::filesystem::current_path()) {
    std::filesystem::current_path(dir.path());
    devora::set_up_device(run);
    devora::POISSON(run, {5e-5, 20, 1});
    old_x = run.mesh.X;
    old_y = run.mesh.Y;
  }
  ~RegridRun() { std::filesystem::current_path(cwd); }

  ScratchDir dir;
  std::filesystem::path cwd;
  std::vector<double> old_x, old_y;
};

std::string well_diode(int nx, int mesh_flag) {
  return "MESH: NX=" + std::to_string(nx) + " NY=21 XX=2 YY=2 HY0=0.01 MESH=" + std::to_string(mesh_flag) +
         "; SOLV: BATC=1;"
         "DOPA: DOP=-1E16 XLFT=0 XRGT=2 YTOP=0 YBOT=2 IWEL=1;"
         "DOPA: DOP=1E19 XLFT=0 XRGT=0.8 YTOP=0 YBOT=0.4 IWEL=1; }"
         "OHMI: NAME='Cathode' NUM=1 XLT=0 XRT=0.5;"
         "OHMI: NAME='Anode' NUM=2 LOC=2 XLT=0 XRT=2; } $";
}

void expect_axis_regridded(const std::vector<double>& c, const std::vector<double>& old, const char* axis) {
  ASSERT_EQ(c.size(), old.size()) << axis;
  EXPECT_EQ(c.front(), 0.0) << axis;
  EXPECT_EQ(c.back(), old.back()) << axis;
  for (std::size_t k = 0; k + 1 < c.size(); ++k) EXPECT_LT(c[k], c[k + 1]) << axis << " line " << k;
  EXPECT_NE(c, old) << axis;
}

std::size_t lines_within(const std::vector<double>& c, double lo_um, double hi_um, double ldum) {
  std::size_t count = 0;
  for (double v : c) count += (v * ldum >= lo_um && v * ldum <= hi_um) ? 1 : 0;
  return count;
}

TEST(Regrid, PassMovesTheSelectedAxesOnly) {
  for (int flag : {2, 3, 4}) {
    SCOPED_TRACE("MESH=" + std::to_string(flag));
    RegridRun r(well_diode(11, flag));
    devora::REMESH(r.run);
    const auto& m = r.run.mesh;
    const double L = r.run.scale.LDUM;
    if (flag != 4) {
      expect_axis_regridded(m.X, r.old_x, "x");
      // Lines gather at the lateral junction (0.8 micron) ...
      EXPECT_GT(lines_within(m.X, 0.7, 1.2, L), lines_within(r.old_x, 0.7, 1.2, L));
    } else {
      EXPECT_EQ(m.X, r.old_x);
    }
    if (flag != 3) {
      expect_axis_regridded(m.Y, r.old_y, "y");
      // ... and at the vertical one (0.4 micron).
      EXPECT_GT(lines_within(m.Y, 0.3, 0.6, L), lines_within(r.old_y, 0.3, 0.6, L) + 2);
    } else {
      EXPECT_EQ(m.Y, r.old_y);
    }
    EXPECT_EQ(r.run.geom.XX, m.X.back());
    EXPECT_EQ(r.run.geom.YY, m.Y.back());
    for (double psi : r.run.nodes.PSI) ASSERT_TRUE(std::isfinite(psi));
  }
}

// A laterally uniform diode: the potential does not change along x, so x
// has no solution density; its lines stay unless a window asks for more.
TEST(Regrid, OneDimensionalDeviceKeepsItsXLines) {
  const auto diode = [](int nx, const std::string& extra) {
    return "MESH: NX=" + std::to_string(nx) + " NY=21 XX=1 YY=2 HY0=0.01 MESH=2; SOLV: BATC=1;"
           "DOPA: DOP=-1E16 XLFT=0 XRGT=1 YTOP=0 YBOT=2 IWEL=1;"
           "DOPA: DOP=1E19 XLFT=0 XRGT=1 YTOP=0 YBOT=0.4 IWEL=1; }"
           "OHMI: NAME='Cathode' NUM=1 XLT=0 XRT=1;"
           "OHMI: NAME='Anode' NUM=2 LOC=2 XLT=0 XRT=1; }" + extra + "$";
  };
  for (int nx : {2, 6}) {
    RegridRun r(diode(nx, ""));
    devora::REMESH(r.run);
    devora::REMESH(r.run);
    EXPECT_EQ(r.run.mesh.X, r.old_x) << "NX=" << nx;
    expect_axis_regridded(r.run.mesh.Y, r.old_y, "y");
  }
  RegridRun windowed(diode(11, "REME: NXRM=5 NYRM=0 XLFT=0.3 XRGT=0.5 YTOP=0 YBOT=0; }"));
  devora::REMESH(windowed.run);
  const double L = windowed.run.scale.LDUM;
  expect_axis_regridded(windowed.run.mesh.X, windowed.old_x, "x");
  EXPECT_GT(lines_within(windowed.run.mesh.X, 0.31, 0.49, L), lines_within(windowed.old_x, 0.31, 0.49, L) + 1);
}

TEST(Regrid, HeatFileHoldsTheLastAxisPass) {
  using namespace std::string_literals;
  RegridRun x_only(well_diode(11, 3));
  devora::REMESH(x_only.run);
  EXPECT_EQ(x_only.out.str(), " Remesh X Starts\n");
  const std::string heat = read_file("HEAT.2AS");
  EXPECT_EQ(heat.substr(0, 35), "           11 Original Density    \n");
  for (const std::string& title : {"Field Remesh        "s, "Remesh Wells Added  "s, "HEATSM IID    1\0    "s,
                                   "New Density         "s, "Old Density         "s, "Final Density       "s})
    EXPECT_NE(heat.find("           11 " + title + "\n"), std::string::npos) << title;
  EXPECT_NE(heat.find(" HEATSM"), std::string::npos);
  // Written through a temporary file: nothing else is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator()), 1);

  RegridRun both(well_diode(11, 2));
  devora::REMESH(both.run);
  EXPECT_EQ(read_file("HEAT.2AS").substr(0, 35), "           21 Original Density    \n");

  // Smoothing titles: the ratio truncated, clamped when it fits no integer.
  EXPECT_EQ(devora::smoothing_title(5.9), "HEATSM  5\0          "s);
  for (double ratio : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(), 1e300})
    EXPECT_EQ(devora::smoothing_title(ratio), "HEATSM***\0          "s);
}

TEST(Regrid, SmoothingLimitMustExceedOne) {
  const std::string mesh = "MESH: NX=5 NY=5 MESH=2;";
  DeckRun refused(mesh + "SOLV: SMTH=1; $");
  EXPECT_THROW(devora::set_up_device(refused.run), sim::FatalStop);
  DeckRun no_passes(mesh + "SOLV: SMTH=1 IGRM=0; $");
  EXPECT_NO_THROW(devora::set_up_device(no_passes.run));
  EXPECT_THROW(devora::REMESH(no_passes.run), sim::FatalStop);
}

}  // namespace
