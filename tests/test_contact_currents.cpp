// Terminal currents from edge current densities on a 4 x 3 mesh with uneven
// control widths (I0 = 2), and the conservation measure.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "device/physics/contact_currents.hpp"

namespace {

constexpr int kOhmic = 1, kGate = 3, kTop = 1, kBottom = 2;

struct CurrentRun {
  CurrentRun() {
    run.mesh.X = {0, 1, 2, 3};
    run.mesh.Y = {0, 1, 2};
    run.mesh.WX = {0.5, 1.0, 1.0, 0.5};
    run.mesh.WY = {0.25, 0.5, 0.25};
    run.scale.I0 = 2.0;
  }
  // Electrode over the 1-based columns first..last (0, 0: none placed yet).
  void add(int type, int loc, int first, int last) {
    devora::ELECTAB& e = run.electab;
    ++e.NEL;
    e.TYPE.push_back(type), e.LOC.push_back(loc), e.EFIRST.push_back(first), e.ELAST.push_back(last);
  }
  devora::CurrentBalance currents() { return devora::CURRENTS(run, JX, JY, I); }

  std::vector<double> JX = std::vector<double>(12), JY = std::vector<double>(12);
  std::vector<double> I = std::vector<double>(4, std::numeric_limits<double>::quiet_NaN());
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  devora::DeviceRun run{console};
};

TEST(ContactCurrents, FluxOutOfTheHalfCellsUnderTheElectrode) {
  CurrentRun d;
  for (std::size_t n = 0; n < 12; ++n) d.JY[n] = n + 1.0, d.JX[n] = 10.0 * (n + 1);
  d.add(kOhmic, kTop, 2, 3);     // WX*JY of row 0, minus the left side, plus the right side
  d.add(kOhmic, kBottom, 1, 2);  // minus WX*JY of the last y edges; right side on the last row
  d.add(kOhmic, kTop, 1, 4);     // the whole row: no side terms
  d.add(kOhmic, kTop, 0, 0);     // no column: nothing read left of column 1
  d.currents();
  EXPECT_DOUBLE_EQ(d.I[0], 2.0 * (1 * 2 + 1 * 3 - 0.25 * 10 + 0.25 * 30));
  EXPECT_DOUBLE_EQ(d.I[1], 2.0 * (-(0.5 * 5 + 1 * 6) + 0.25 * 100));
  EXPECT_DOUBLE_EQ(d.I[2], 2.0 * (0.5 * 1 + 1 * 2 + 1 * 3 + 0.5 * 4));
  EXPECT_EQ(d.I[3], 0.0);
}

TEST(ContactCurrents, ConservationMeasure) {
  CurrentRun d;
  d.add(kGate, kTop, 1, 4);
  d.add(kOhmic, kTop, 1, 4);
  d.add(kOhmic, kBottom, 1, 4);
  devora::CurrentBalance b = d.currents();
  EXPECT_EQ(std::vector<double>(d.I.begin(), d.I.begin() + 3), std::vector<double>(3, 0.0));
  EXPECT_TRUE(std::isnan(d.I[3]));  // past NEL: left alone
  EXPECT_EQ(b.CONS, 0.0);  // all zero: no 0/0
  EXPECT_EQ(b.IMAX, 0.0);
  d.JX.assign(12, 5.0);
  d.JY.assign(12, 1.0);
  b = d.currents();
  EXPECT_EQ(d.I[0], 0.0);  // the gate, although current flows under it
  EXPECT_DOUBLE_EQ(d.I[1], 6.0);
  EXPECT_DOUBLE_EQ(d.I[2], -6.0);
  EXPECT_EQ(b.CONS, 0.0);  // equal and opposite, the gate in neither sum
  EXPECT_DOUBLE_EQ(b.IMAX, 6.0);
}

}  // namespace
