// Tavik's doping file read back by the field-file reader after real runs.
#include <gtest/gtest.h>

#include <cmath>

#include "common/dop3d.hpp"
#include "support.hpp"

namespace {

using testing_support::run_program;
using testing_support::ScratchDir;
using testing_support::write_file;

// Dose of a block in cm-2: the integral over depth (trapezoids, microns to
// cm) of the column at `column`.
double column_dose(const sim::Dop3d& f, const sim::Dop3dBlock& b, std::size_t column) {
  double dose = 0.0;
  for (std::size_t j = 0; j + 1 < f.ny(); ++j) {
    const double c0 = b.values[column + j * f.nx()], c1 = b.values[column + (j + 1) * f.nx()];
    dose += 0.5 * (c0 + c1) * (f.y[j + 1] - f.y[j]) * 1e-4;
  }
  return dose;
}

TEST(TavikDopingFile, ImplantRunWritesAFileTheReaderTakesBack) {
  ScratchDir dir;
  write_file(dir / "IMP.INP",
             "COMM: METH='implant' PROJ='read back' TIME='2026-12-09 12:00:00';\n"
             "MESH: NX=5 NY=81 XX=1 YY=1;\n"
             "SUBS: BO=1e15;\n"
             "PHIM: DZ=1e13 EN=50;\n"
             "$\n");
  const auto r = run_program(TAVIK_EXE, "IMP.INP", dir.path());
  ASSERT_EQ(r.exit_status, 0) << r.output;
  const sim::Dop3d f = sim::read_dop3d(dir / "IMP.3D");
  ASSERT_EQ(f.nx(), 5u);
  ASSERT_EQ(f.ny(), 81u);
  ASSERT_EQ(f.blocks.size(), 9u);
  EXPECT_EQ(f.title.substr(0, 13), "METH=implant ");
  EXPECT_EQ(f.title[77], '\0');
  EXPECT_EQ(std::filesystem::file_size(dir / "IMP.3D"), 88u * 5 + 8u * 81 + 81u * 5 * 81 + 1036);

  const auto& phosphorus = f.blocks[4];
  const auto& boron = f.blocks[5];
  const auto& donor = f.blocks[2];
  for (std::size_t i = 0; i < f.nx(); ++i)
    EXPECT_NEAR(column_dose(f, phosphorus, i), 1e13, 0.02e13) << "column " << i;
  EXPECT_NEAR(boron.values[0], 1e15, 1e15 * 1e-6);
  // Without oxidation the donor block is phosphorus plus arsenic, and the
  // interpolated blocks repeat donor and acceptor.
  EXPECT_EQ(f.blocks[7].values, donor.values);
  EXPECT_EQ(f.blocks[8].values, f.blocks[3].values);
  for (char m : donor.mask) EXPECT_EQ(m, 'T');
}

TEST(TavikDopingFile, FullProcessExampleRunsEndToEnd) {
  ScratchDir dir;
  std::filesystem::copy_file(std::filesystem::path(EXAMPLES_DIR) / "cmos_well.INP",
                             dir / "cmos_well.INP");
  const auto r = run_program(TAVIK_EXE, "cmos_well.INP", dir.path());
  ASSERT_EQ(r.exit_status, 0) << r.output;
  std::size_t at = 0;
  for (const std::string title : {"Epitaxy: ", "Phosphorus implant: ", "Boron deposition: ",
                                  "Inert annealing: ", "Oxidation: ", "Inert annealing: "}) {
    at = r.output.find("\n" + title, at);
    ASSERT_NE(at, std::string::npos) << title;
    ++at;
  }
  const sim::Dop3d f = sim::read_dop3d(dir / "cmos_well.3D");
  const auto& net = f.blocks[0].values;
  for (double v : net) ASSERT_TRUE(std::isfinite(v));
  const auto& outline = f.regions.at(0).outline;  // (x(1), y(1)), then (x(i), S(i)), ...
  for (std::size_t i = 0; i < f.nx(); ++i) {
    const double s = outline[i + 1].y;
    if (f.x[i] < 1.5) {
      EXPECT_GT(s, 0.005) << "oxide on the open side, x = " << f.x[i];
    }
    if (f.x[i] > 2.5) {
      EXPECT_EQ(s, 0.0) << "no oxide under the mask, x = " << f.x[i];
    }
  }
  EXPECT_NE(f.blocks[0].mask.find('F'), std::string::npos);
  // Interpolated fields put the silicon surface on the top mesh line: the
  // n-well side is n-type there, the boron-source side p-type.
  const auto& donor = f.blocks[7].values;
  const auto& acceptor = f.blocks[8].values;
  EXPECT_GT(donor[0], acceptor[0]);
  EXPECT_LT(donor[f.nx() - 1], acceptor[f.nx() - 1]);
  // Deep in the substrate the background boron is untouched.
  EXPECT_NEAR(net[f.node_count() - 1], -1e15, 1e15 * 0.01);
}

}  // namespace
