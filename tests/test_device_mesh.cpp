// Device mesh set-up: generated and read mesh lines, the geometry derived
// from them, and the oxide-region lookups and line deposit.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/run_state.hpp"
#include "device/setup/mesh.hpp"
#include "device/setup/regions.hpp"
#include "support.hpp"

namespace {

using Vec = std::vector<double>;
constexpr double kLdum = 34.1;  // a realistic Debye length in microns

// A run with the deck defaults, lengths already divided by `ldum`.
struct MeshRun {
  explicit MeshRun(double ldum = 1.0) {
    run.scale.LDUM = ldum;
    for (double* v : {&run.geom.XX, &run.geom.YY, &run.geom.HY0}) *v /= ldum;
  }
  void add_electrode(int type, int loc, double xlt, double xrt) {
    auto& e = run.electab;
    ++e.NEL;
    e.TYPE.push_back(type);
    e.LOC.push_back(loc);
    e.XLT.push_back(xlt / run.scale.LDUM);
    e.XRT.push_back(xrt / run.scale.LDUM);
    e.NAME.push_back(std::string("E").append(std::to_string(e.NEL)));
    e.EFIRST.push_back(-7);  // "never set"
    e.ELAST.push_back(-7);
  }
  void add_oxide(double pmox, double xl, double xr, double yt, double yb) {
    auto& o = run.oxide;
    const double L = run.scale.LDUM;
    o.PMOX[o.NOXR] = pmox;
    o.XLFT[o.NOXR] = xl / L, o.XRGT[o.NOXR] = xr / L, o.YTOP[o.NOXR] = yt / L, o.YBOT[o.NOXR] = yb / L;
    ++o.NOXR;
  }
  std::string stop_message() {
    try {
      devora::RDMESH(run);
    } catch (const sim::FatalStop& stop) {
      return stop.what();
    }
    return "";
  }
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  devora::DeviceRun run{console};
};

double ratio(const Vec& Y) { return (Y[2] - Y[1]) / (Y[1] - Y[0]); }

TEST(GeneratedMesh, UniformXGeometricYAndFirstStep) {
  MeshRun m;
  devora::RDMESH(m.run);
  const auto& mesh = m.run.mesh;
  EXPECT_EQ(mesh.X, (Vec{0.0, 1.0 / 3.0, 2.0 / 3.0, 1.0}));
  EXPECT_NEAR(ratio(mesh.Y), 1.143483535645035, 1e-12);
  EXPECT_EQ(mesh.Y.back(), 1.0);
  EXPECT_NEAR(m.run.geom.HY0, 0.003, 1e-12);
  EXPECT_NEAR(mesh.HX[0], 3.0, 1e-12);
  EXPECT_EQ(mesh.HX[3], 0.0);
  EXPECT_NEAR(mesh.WX[0] + mesh.WX[1], 0.5, 1e-15);

  MeshRun s(kLdum);  // internal units: x still ends on XX exactly
  devora::RDMESH(s.run);
  EXPECT_EQ(s.run.mesh.X.back(), 1.0 / kLdum);
  EXPECT_NEAR(ratio(s.run.mesh.Y), 1.143483535645035, 1e-11);
  EXPECT_NEAR(s.run.geom.HY0 * kLdum, 0.003, 1e-12);

  MeshRun clamp;  // HY0 above the uniform step: nearly uniform
  clamp.run.geom.HY0 = 0.5;
  devora::RDMESH(clamp.run);
  const Vec& Y = clamp.run.mesh.Y;
  EXPECT_NEAR(ratio(Y) - 1.0, 8.260925e-7, 1e-12);
  EXPECT_NEAR(Y[1], 0.0345, 1e-4);
  EXPECT_EQ(clamp.run.geom.HY0, Y[1]);
  EXPECT_EQ(Y.back(), 1.0);  // not the running sum's 1 + 2e-12

  MeshRun two;
  two.run.igrid.NY = 2;
  devora::RDMESH(two.run);
  EXPECT_EQ(two.run.mesh.Y, (Vec{0.0, 1.0}));
  EXPECT_EQ(two.run.geom.HY0, 1.0);
}

TEST(GeneratedMesh, UnusableInputsStopNamingTheParameter) {
  const std::pair<void (*)(devora::DeviceRun&), std::string> cases[] = {
      {[](devora::DeviceRun& r) { r.igrid.NX = 1; }, " MESH: NX and NY must be at least 2 (NX = 1, NY = 30)"},
      {[](devora::DeviceRun& r) { r.geom.XX = 0.0; }, " MESH: XX must be positive (XX = 0 microns)"},
      {[](devora::DeviceRun& r) { r.geom.YY = -2.0; }, " MESH: YY must be positive (YY = -2 microns)"},
      {[](devora::DeviceRun& r) { r.geom.HY0 = 0.0; }, " MESH: HY0 must be positive (HY0 = 0 microns)"},
      {[](devora::DeviceRun& r) { r.geom.XX = 3e-300; },
       " Mesh: x lines 1 and 2 are 1e-300 microns apart, beyond what 8-byte arithmetic can carry"},
  };
  for (const auto& [set, message] : cases) {
    MeshRun m;
    set(m.run);
    EXPECT_EQ(m.stop_message(), message);
  }
}

TEST(MeshGeometry, ElectrodeMapsAndColumns) {
  MeshRun m(kLdum);
  m.add_electrode(1, 1, 0.0, 0.4);  // top, columns 1-2
  m.add_electrode(1, 2, 0.0, 1.0);  // bottom, all columns
  m.add_electrode(3, 1, 0.3, 1.0);  // top, overwrites column 2
  m.add_electrode(5, 1, 0.0, 1.0);  // not a contact type: ignored
  devora::RDMESH(m.run);
  EXPECT_EQ(m.run.mesh.ETOP, (std::vector<int>{1, 3, 3, 3}));
  EXPECT_EQ(m.run.mesh.EBOT, (std::vector<int>{2, 2, 2, 2}));
  EXPECT_EQ(m.run.electab.EFIRST, (std::vector<int>{1, 1, 2, -7}));
  EXPECT_EQ(m.run.electab.ELAST, (std::vector<int>{1, 4, 4, -7}));

  // An electrode left without a node would carry no current: a stop naming
  // it, whether its window misses the lines or later electrodes took them.
  for (const auto& [xlt, xrt] : {std::pair{0.4, 0.6}, {5000.0, 1.0}, {0.0, 0.4}}) {
    MeshRun none(kLdum);
    none.add_electrode(1, 1, 0.0, 1.0);
    none.add_electrode(2, 1, xlt, xrt);
    none.add_electrode(1, 1, 0.0, 0.5);
    EXPECT_EQ(none.stop_message().substr(0, 50), " Electrode E2 (number 2) holds no mesh node: no me") << xlt;
  }
  MeshRun outside(kLdum);
  outside.add_electrode(1, 1, 5000.0, 1.0);
  EXPECT_EQ(outside.stop_message(), " Electrode E1 (number 1) holds no mesh node: no mesh line of the device "
                                    "(x from 0 to 1 microns) lies in its window XLT = 5000 to XRT = 1 microns, "
                                    "or later electrodes hold them all");

  MeshRun r(kLdum);  // an edge that meets a line only up to rounding covers it
  r.add_electrode(1, 1, 0.5, 0.9);
  r.run.electab.XLT[0] = (2.0 / 3.0 / kLdum) * (1.0 + 1e-14);
  devora::RDMESH(r.run);
  EXPECT_EQ(r.run.mesh.ETOP, (std::vector<int>{0, 0, 1, 0}));
}

TEST(MeshGeometry, OutlinesInMicronsAndTheirLimit) {
  MeshRun m(kLdum);
  m.add_electrode(1, 1, 0.1, 0.4);
  m.add_electrode(1, 2, 0.0, 1.0);
  m.add_oxide(3.9, 0.2, 0.8, 0.0, 0.05);
  devora::RDMESH(m.run);
  const auto& out = m.run.regout;
  const double top = m.run.mesh.WY.front() / 10 * kLdum, bottom = 1 - m.run.mesh.WY.back() / 10 * kLdum;
  auto corners = [&](int s) {
    Vec v;
    for (const auto& p : out.REGPTS[s]) v.insert(v.end(), {p.x, p.y});
    return v;
  };
  const Vec expected[] = {{0.1, 0, 0.1, top, 0.4, top, 0.4, 0},
                          {0, 1, 0, bottom, 1, bottom, 1, 1},
                          {0.2, 0, 0.2, 0.05, 0.8, 0.05, 0.8, 0}};
  ASSERT_EQ(out.NREG, 3);
  for (int s = 0; s < 3; ++s) {
    for (int c = 0; c < 8; ++c) EXPECT_NEAR(corners(s)[c], expected[s][c], 1e-13) << s << ' ' << c;
    EXPECT_EQ(out.REGNPT[s], 4);
    EXPECT_EQ(out.REGKND[s], 1);
  }

  MeshRun full;  // 1 electrode + 20 oxides: stopped before any outline
  full.add_electrode(1, 1, 0.0, 1.0);
  for (int j = 0; j < 20; ++j) full.add_oxide(3.9, 0.0, 1.0, 0.0, 0.01);
  EXPECT_EQ(full.stop_message(), "Number of regions is limited to 20");
  EXPECT_EQ(full.run.regout.REGNPT[0], 0);
}

TEST(MeshGeometry, ReadControlTakesTheLinesAsTheyStand) {
  MeshRun m;
  m.run.igrid.READ = 1;
  m.run.igrid.NX = 2, m.run.igrid.NY = 3;
  m.run.mesh.X = {0.0, 2.0};
  m.run.mesh.Y = {0.0, 0.5, 1.5};
  devora::RDMESH(m.run);
  EXPECT_EQ(m.run.mesh.WY, (Vec{0.25, 0.75, 0.5}));

  MeshRun empty;  // nothing loaded: an orderly stop, not a crash
  empty.run.igrid.READ = 1;
  EXPECT_EQ(empty.stop_message(), " Mesh lines missing or not strictly increasing (NX = 4, NY = 30)");
}

TEST(MeshFile, ReadsMicronsAndStopsOnBrokenFiles) {
  testing_support::ScratchDir dir;
  const auto file = dir / "DEV.MSS";
  const std::string name = sim::fixed(file.string(), 80);
  auto run_with = [&](MeshRun& m, const std::string* content) {
    std::filesystem::remove(file);
    if (content) testing_support::write_file(file, *content);
    m.run.igrid.MESH = 1;
    m.run.igrid.NY = 3;
    m.run.filenames.mesh() = name;
    return m.stop_message();
  };
  // x over two lines, extra numbers after the last x, y from the next line.
  const std::string good = "0.0, 0.5\n 1.5 2.0 99 -4\n0 0.25 1\n";
  MeshRun m(kLdum);
  EXPECT_EQ(run_with(m, &good), "");
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(m.run.mesh.X[i] * kLdum, (Vec{0, 0.5, 1.5, 2})[i]);
  for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(m.run.mesh.Y[j] * kLdum, (Vec{0, 0.25, 1})[j]);

  const std::pair<const char*, std::string> broken[] = {
      {"0 1 2 3\n0 x 2\n", " Error reading mesh input file "},
      {"0 1 2 3\n0 1\n", " End of mesh input file read "},
      {"0 1 1 3\n0 1 2\n", " Error reading mesh input file "},
      {"0 1 2 3\n0 2 1\n", " Error reading mesh input file "},
  };
  for (const auto& [content, message] : broken) {
    MeshRun b;
    const std::string text = content;
    EXPECT_EQ(run_with(b, &text), message + name) << content;
  }
  MeshRun missing;
  EXPECT_EQ(run_with(missing, nullptr), " Cannot open mesh input file " + name);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(OxideRegions, LaterRegionDecidesOnASharedEdge) {
  MeshRun m;
  const devora::OXIDE& ox = m.run.oxide;
  EXPECT_EQ(devora::REGRAT(ox, 11.8, 0.5, 0.5), 1.0);
  m.add_oxide(3.9, 0.0, 0.5, 0.0, 0.1);
  m.add_oxide(7.5, 0.5, 1.0, 0.0, 0.1);
  EXPECT_EQ(devora::REGRAT(ox, 11.8, 0.25, 0.1), 3.9 / 11.8);
  EXPECT_EQ(devora::REGRAT(ox, 11.8, 0.5, 0.05), 7.5 / 11.8);
  EXPECT_EQ(devora::REGRAT(ox, 11.8, 0.5, 0.2), 1.0);
  EXPECT_EQ(devora::REGVAL(ox, 0.0, 0.0, 0.0), 0.0);
  EXPECT_EQ(devora::REGVAL(ox, 1.0, 0.11, 0.0), 1.0);
}

TEST(LineDeposit, SplitsBetweenNeighbourLinesAndClampsToTheMesh) {
  const Vec X{0.0, 1.0, 2.0}, Y{0.0, 1.0, 3.0}, WX{0.5, 1.0, 0.5}, WY{0.5, 1.5, 1.0};
  using devora::LineOrientation;
  auto deposit = [&](double c, LineOrientation o) {
    Vec A(9, 0.0);  // 3 x 3 nodes; the side spans the lines at 1 and 2
    if (o == LineOrientation::horizontal)
      devora::LINDEP(A, X, Y, WY, 0.5, 2.0, c, 3.0, o);
    else
      devora::LINDEP(A, Y, X, WX, 0.5, 3.0, c, 3.0, o);
    return A;
  };
  const auto h = LineOrientation::horizontal;
  EXPECT_EQ(deposit(1.0, h), (Vec{0, 0, 0, 0, 2, 2, 0, 0, 0}));  // exactly on row 2
  const Vec mid = deposit(2.0, h);
  EXPECT_DOUBLE_EQ(mid[4] * WY[1] + mid[7] * WY[2], 3.0);
  EXPECT_EQ(deposit(-1.0, h), (Vec{0, 6, 6, 0, 0, 0, 0, 0, 0}));  // outside: nearest row
  EXPECT_EQ(deposit(9.0, h), (Vec{0, 0, 0, 0, 0, 0, 0, 3, 3}));
  EXPECT_EQ(deposit(1.0, LineOrientation::vertical), (Vec{0, 0, 0, 0, 3, 0, 0, 3, 0}));
}

}  // namespace
