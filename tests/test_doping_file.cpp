#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "common/dop3d.hpp"
#include "common/fixed_text.hpp"
#include "common/run_header.hpp"
#include "process/doping_file.hpp"
#include "support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::ScratchDir;
using testing_support::write_file;

std::int32_t int_at(const std::string& bytes, std::size_t offset) {
  std::uint32_t v = 0;
  for (int b = 0; b < 4; ++b)
    v |= std::uint32_t{static_cast<unsigned char>(bytes[offset + b])} << (8 * b);
  return static_cast<std::int32_t>(v);
}

double real_at(const std::string& bytes, std::size_t offset) {
  std::uint64_t v = 0;
  for (int b = 0; b < 8; ++b)
    v |= std::uint64_t{static_cast<unsigned char>(bytes[offset + b])} << (8 * b);
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

// A small process state: mesh, oxide boundary, dopants and output fields.
struct ProcessState {
  std::vector<float> x, y, S, P, B, As, D, A, DI, AI, y0;
  std::vector<int> js;

  ProcessState(std::vector<float> xs, std::vector<float> ys) : x(std::move(xs)), y(std::move(ys)) {
    const std::size_t k = x.size() * y.size();
    S.assign(x.size(), y[0]);
    y0.assign(x.size(), y[0]);
    js.assign(x.size(), 1);
    for (auto* f : {&P, &B, &As, &D, &A, &DI, &AI}) f->assign(k, 0.0f);
    for (std::size_t n = 0; n < k; ++n) {
      P[n] = 0.01f * (n + 1);
      B[n] = 0.002f * (n + 3);
      As[n] = 0.5f / (n + 1);
    }
  }
  tavik::ProcessMeshView mesh() const { return {x, y, S}; }
  tavik::DopantFields dopants() const { return {P, B, As}; }
  tavik::CarrierDoping doping() { return {D, A, DI, AI}; }
};

std::size_t nodes(const ProcessState& s) { return s.x.size() * s.y.size(); }

const char* const kLabels[9] = {
    "Net doping concentration (cm-3)",         "Total doping concentration (cm-3)",
    "Donor concentration (cm-3)",              "Acceptor concentration (cm-3)",
    "Phosphorus concentration (cm-3)",         "Boron concentration (cm-3)",
    "Arsenic concentration (cm-3)",            "Interpolated donor concentration (cm-3)",
    "Interpolated acceptor concentration (cm-3)"};

// ---- WRDOP3D ----------------------------------------------------------------

TEST(DopingFile, RecordLengthOfProcessFile) {
  struct Case { std::vector<float> x, y; std::uintmax_t recl; };
  const Case cases[] = {
      {{0, 1, 2}, {0, 0.5f}, 1802},                     // the 3 x 2 example
      {{0}, {0, 1, 2}, 88 * 1 + 8 * 3 + 81 * 3 + 1036},  // NX = 1: no cells
      {{0, 1, 2, 3}, {0, 1, 2, 3, 4}, 88 * 4 + 8 * 5 + 81 * 20 + 1036},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    ProcessState s(c.x, c.y);
    write_file(dir / "RUN.3D", std::string(5000, 'z'));  // an older, longer file
    tavik::WRDOP3D(dir / "RUN.3D", "title", s.mesh(), s.dopants(), {s.D, s.A, s.DI, s.AI});
    EXPECT_EQ(fs::file_size(dir / "RUN.3D"), c.recl);
    EXPECT_NO_THROW(sim::read_dop3d(dir / "RUN.3D"));
  }
}

TEST(DopingFile, RegionMaskAndCodesAtTheirOffsets) {
  ScratchDir dir;
  ProcessState s({0, 1, 2}, {0, 0.5f});
  s.S = {0.2f, 0.0f, 0.6f};  // column 2 without oxide
  const std::string title = sim::RUNHDR(sim::RunHeaderTexts{}, sim::RunHeaderKind::process);
  tavik::WRDOP3D(dir / "RUN.3D", title, s.mesh(), s.dopants(), {s.D, s.A, s.DI, s.AI});
  const std::string bytes = read_file(dir / "RUN.3D");
  ASSERT_EQ(bytes.size(), 1802u);

  EXPECT_EQ(bytes.substr(0, 80), title);  // NUL bytes of the empty COMM texts kept
  EXPECT_EQ(int_at(bytes, 80), 9);
  EXPECT_EQ(int_at(bytes, 92), 6);
  const std::size_t region = 80 + 16 + 80 + 24 + 80 + 16 + 4;
  EXPECT_EQ(int_at(bytes, region - 4), 1);  // R
  EXPECT_EQ(int_at(bytes, region), 0);
  EXPECT_EQ(int_at(bytes, region + 4), 15);
  EXPECT_EQ(int_at(bytes, region + 8), 5);  // NP = NX + 2
  const double expected_outline[5][2] = {
      {0, 0}, {0, double(0.2f)}, {1, 0}, {2, double(0.6f)}, {2, 0}};
  for (int p = 0; p < 5; ++p) {
    EXPECT_EQ(real_at(bytes, region + 12 + 16 * p), expected_outline[p][0]) << p;
    EXPECT_EQ(real_at(bytes, region + 20 + 16 * p), expected_outline[p][1]) << p;
  }
  const std::size_t cells = region + 12 + 80;
  EXPECT_EQ(int_at(bytes, cells), 2);  // NC = NX - 1
  // second cell: (x2, y1), (x2, S2), (x3, S3), (x3, y1)
  const double second_cell[8] = {1, 0, 1, 0, 2, double(0.6f), 2, 0};
  for (int v = 0; v < 8; ++v) EXPECT_EQ(real_at(bytes, cells + 4 + 64 + 8 * v), second_cell[v]);

  const std::size_t first_block = cells + 4 + 128;
  for (int b = 0; b < 9; ++b) {
    const std::size_t at = first_block + b * (80 + 8 + 6 + 48);
    EXPECT_EQ(bytes.substr(at, 80), sim::fixed(kLabels[b], 80)) << b;
    EXPECT_EQ(int_at(bytes, at + 80), 0);
    EXPECT_EQ(int_at(bytes, at + 84), b == 6 ? 22 : 15) << "block " << b + 1;
    EXPECT_EQ(bytes.substr(at + 88, 6), "FTFTTF") << b;  // F where y(j) < S(i)
  }
}

TEST(DopingFile, BlockValues) {
  ProcessState s({0, 1}, {0, 1});
  s.D = {3e17f, 1e15f, 0, 5};
  s.A = {1e17f, 2e15f, 7, 0};
  s.DI = {1, 2, 3, 4};
  s.AI = {5, 6, 7, 8};
  s.P = {1.0f, 0, 0, 0};
  s.As = {0, 0.5f, 0, 0};
  s.B = {0, 0, 2.0f, 0};
  const sim::Dop3d f = tavik::doping_file_record("t", s.mesh(), s.dopants(), {s.D, s.A, s.DI, s.AI});
  ASSERT_EQ(f.blocks.size(), 9u);
  const double unit = 1.0000000200408773e20;  // 1e20 as a 4-byte real, widened
  EXPECT_EQ(f.blocks[0].values, (std::vector<double>{2e17f, -1e15f, -7, 5}));
  EXPECT_EQ(f.blocks[1].values, (std::vector<double>{4e17f, 3e15f, 7, 5}));
  EXPECT_EQ(f.blocks[2].values, (std::vector<double>{3e17f, 1e15f, 0, 5}));
  EXPECT_EQ(f.blocks[4].values[0], unit);
  EXPECT_EQ(f.blocks[6].values[1], 0.5 * unit);
  EXPECT_EQ(f.blocks[5].values[2], 2 * unit);
  EXPECT_EQ(f.blocks[7].values, (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(f.blocks[8].values, (std::vector<double>{5, 6, 7, 8}));
}

// ---- INTPDOP ----------------------------------------------------------------

struct ColumnCase {
  const char* what;
  std::vector<float> y, C;
  int s;
  float d;
  std::vector<float> expected;
};

TEST(Intpdop, SingleColumnProfiles) {
  const std::vector<float> y5 = {0, 1, 2, 3, 4};
  const ColumnCase cases[] = {
      {"surface on the top line reproduces the column", y5, {1e15f, 3e16f, 2e18f, 5e14f, 1e13f}, 1,
       0.0f, {1e15f, 3e16f, 2e18f, 5e14f, 1e13f}},
      {"surface on a node: rows move up, exact depths, bottom fill", y5,
       {0, 1e15f, 1e17f, 1e16f, 1e14f}, 2, 1.0f, {1e15f, 1e17f, 1e16f, 1e14f, 1e14f}},
      {"surface between nodes: logarithmic interpolation", y5, {0, 1e15f, 1e17f, 1e16f, 1e14f}, 2,
       0.5f, {1e15f, 1e16f, 3.16227766e16f, 1e15f, 1e14f}},
      {"zero end gives zero", y5, {0, 0, 1e17f, 1e16f, 1e14f}, 2, 0.5f,
       {0, 0, 3.16227766e16f, 1e15f, 1e14f}},
      {"negative end gives zero", y5, {0, 1e15f, -1e17f, 1e16f, 1e14f}, 2, 0.5f,
       {1e15f, 0, 0, 1e15f, 1e14f}},
  };
  for (const ColumnCase& c : cases) {
    std::vector<float> out(c.C.size(), -1.0f);
    tavik::INTPDOP(1, static_cast<int>(c.y.size()), c.y, c.C, out, std::vector<float>{c.d},
                   std::vector<int>{c.s});
    for (std::size_t j = 0; j < out.size(); ++j) {
      ASSERT_FALSE(std::isnan(out[j])) << c.what;
      EXPECT_NEAR(out[j], c.expected[j], 1e-5 * std::fabs(c.expected[j])) << c.what << ", row " << j + 1;
    }
  }
}

TEST(Intpdop, ColumnsAreIndependent) {
  // Two columns: the first untouched (s = 1), the second shifted by one row.
  const std::vector<float> y = {0, 1, 2};
  const std::vector<float> C = {1, 10, 2, 20, 3, 30};  // node (i, j) at (i-1) + (j-1)*2
  std::vector<float> out(6);
  tavik::INTPDOP(2, 3, y, C, out, std::vector<float>{0, 1}, std::vector<int>{1, 2});
  EXPECT_EQ(out, (std::vector<float>{1, 20, 2, 30, 3, 30}));
}

// ---- OUTSTEP ----------------------------------------------------------------

TEST(Outstep, WithoutOxidationInterpolatedBlocksCopyDonorAndAcceptor) {
  ScratchDir dir;
  ProcessState s({0, 1, 2}, {0, 0.5f, 1.5f});
  s.js = {2, 2, 3};  // would shift, but no oxidation has taken place
  s.y0 = {0.5f, 0.4f, 1.5f};
  int state = 0;
  std::ostringstream out;
  std::istringstream in("line\n");
  sim::Console console{out, in};
  tavik::OUTSTEP(dir / "RUN.3D", 1, 0, state, s.mesh(), s.dopants(), "t", s.doping(), s.y0, s.js,
                 console);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(out.str(), "");
  for (std::size_t n = 0; n < nodes(s); ++n) {
    EXPECT_EQ(s.D[n], (s.P[n] + s.As[n]) * 1e20f);
    EXPECT_EQ(s.A[n], s.B[n] * 1e20f);
  }
  const sim::Dop3d f = sim::read_dop3d(dir / "RUN.3D");
  EXPECT_EQ(f.blocks[7].values, f.blocks[2].values);
  EXPECT_EQ(f.blocks[8].values, f.blocks[3].values);
}

TEST(Outstep, OxidationSwitchesToInterpolatedFieldsForGood) {
  ScratchDir dir;
  ProcessState s({0, 1}, {0, 1, 2});
  s.js = {1, 2};
  s.y0 = {0.0f, 1.0f};  // column 2: surface on row 2
  int state = 0;
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  tavik::OUTSTEP(dir / "RUN.3D", 1, 1, state, s.mesh(), s.dopants(), "t", s.doping(), s.y0, s.js,
                 console);
  EXPECT_EQ(state, 2);
  // Column 1 is unshifted: the interpolated donor is the donor.
  EXPECT_EQ(s.DI[0], s.D[0]);
  EXPECT_EQ(s.DI[2], s.D[2]);
  // Column 2 moved up one row; the bottom row keeps its value.
  EXPECT_FLOAT_EQ(s.DI[1], (s.P[3] + s.As[3]) * 1e20f);
  EXPECT_FLOAT_EQ(s.AI[3], s.B[5] * 1e20f);
  EXPECT_FLOAT_EQ(s.AI[5], s.B[5] * 1e20f);

  tavik::OUTSTEP(dir / "RUN.3D", 1, 0, state, s.mesh(), s.dopants(), "t", s.doping(), s.y0, s.js,
                 console);
  EXPECT_EQ(state, 2);
  EXPECT_FLOAT_EQ(s.AI[3], s.B[5] * 1e20f);
}

TEST(Outstep, PauseOnlyWhenIbIsZeroAfterTheFileIsComplete) {
  ScratchDir dir;
  ProcessState s({0, 1, 2}, {0, 0.5f});
  int state = 0;
  std::ostringstream out;
  std::istringstream in("first\nsecond\n");
  sim::Console console{out, in};
  tavik::OUTSTEP(dir / "RUN.3D", 0, 0, state, s.mesh(), s.dopants(), "t", s.doping(), s.y0, s.js,
                 console);
  EXPECT_EQ(out.str(), " Press <Enter> to continue \n");
  EXPECT_EQ(fs::file_size(dir / "RUN.3D"), 1802u);
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "second");  // exactly one line consumed
}

}  // namespace
