// The device simulator's doping files: text depth profiles and field files
// (including one written by a real process-simulator run).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/dop3d.hpp"
#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/devora.hpp"
#include "device/setup/doping_files.hpp"
#include "device_deck_run.hpp"
#include "support.hpp"

namespace {

using testing_support::run_program;
using testing_support::ScratchDir;
using testing_support::write_file;

std::string field_name(const std::filesystem::path& p) { return sim::fixed(p.string(), sim::kTextWidth); }

std::string stop_message(const std::function<void()>& body) {
  try {
    body();
  } catch (const sim::FatalStop& stop) {
    EXPECT_EQ(stop.wait, sim::FatalStop::Wait::enter);
    return stop.what();
  }
  return "no stop";
}

void expect_near_relative(const std::vector<double>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t n = 0; n < actual.size(); ++n)
    EXPECT_NEAR(actual[n], expected[n], std::abs(expected[n]) * 1e-12) << "node " << n;
}

// ---- text depth profiles ----------------------------------------------------------

constexpr double kNiRef = 1e10;

// Two columns; each row's value repeated across the row.
std::vector<double> profile_on_rows(const std::filesystem::path& file, const std::vector<double>& y,
                                    double ytop, double ldum) {
  std::vector<double> out(2 * y.size(), -7.0);
  devora::RDASCDOP(out, field_name(file), 2, y, ytop, kNiRef, ldum);
  return out;
}

std::vector<double> rows_of(const std::vector<double>& per_row) {
  std::vector<double> nodes;
  for (double v : per_row) nodes.insert(nodes.end(), {v, v});
  return nodes;
}

TEST(TextDopingProfile, PlacedAtTheBoxTopHeldBeyondItsEndsAndSigned) {
  ScratchDir dir;
  // Depths 0.5 and 1.0 micron; with a length unit of 0.5 micron they become
  // 1 and 2, and the shift to YTOP = 0 puts them at 0 and 1.
  write_file(dir / "PROF.TXT", " 0.5, 1E16\r\n1.0\n 1D18 trailing\n\n");
  const auto out = profile_on_rows(dir / "PROF.TXT", {-1.0, 0.0, 0.5, 1.0, 3.0}, 0.0, 0.5);
  expect_near_relative(out, rows_of({1e6, 1e6, 1e7, 1e8, 1e8}));

  write_file(dir / "ONE.TXT", "0.2 3e15\n");  // one record: a constant
  expect_near_relative(profile_on_rows(dir / "ONE.TXT", {0.0, 4.0}, 1.0, 1.0), rows_of({3e5, 3e5}));

  write_file(dir / "P.TXT", "0 -1e15\n1 -1e17\n2 0\n");  // acceptors: magnitudes interpolated
  const auto p = profile_on_rows(dir / "P.TXT", {0.5, 1.0, 3.0}, 0.0, 1.0);
  EXPECT_NEAR(p[0], -1e6, 1e6 * 1e-12);
  EXPECT_NEAR(p[3], -1e7, 1e7 * 1e-12);
  EXPECT_TRUE(p[5] < 0.0 && p[5] > -1e-19);  // the closing zero: tiny, still an acceptor value
}

TEST(TextDopingProfile, BadFilesStop) {
  ScratchDir dir;
  write_file(dir / "SIGN.TXT", "0 1e15\n1 -1e15\n");
  EXPECT_EQ(stop_message([&] { profile_on_rows(dir / "SIGN.TXT", {0.0}, 0.0, 1.0); }),
            " Concentration change sign in doping file " + field_name(dir / "SIGN.TXT"));
  const std::vector<std::string> bad_contents{
      "",                   // no record
      " \n\n",              // blank lines only
      "0 1e15\n0 1e16\n",   // depths do not increase
      "1 1e15\n0 1e16\n",   // depths decrease
      "0 1e15\n1\n",        // a record cut short by the end of the file
      "0 1e15\n1 x1e16\n",  // not a number
      "0 1e15\n1 1e308\n",  // beyond what the solvers can carry once scaled
  };
  for (const std::string& content : bad_contents) {
    write_file(dir / "BAD.TXT", content);
    EXPECT_EQ(stop_message([&] { profile_on_rows(dir / "BAD.TXT", {0.0}, 0.0, 1.0); }),
              " Check ASCII doping file " + field_name(dir / "BAD.TXT"))
        << '"' << content << '"';
  }
  EXPECT_EQ(stop_message([&] { profile_on_rows(dir / "NONE.TXT", {0.0}, 0.0, 1.0); }),
            " Check ASCII doping file " + field_name(dir / "NONE.TXT"));
}

// ---- field files --------------------------------------------------------------------

struct DeviceDoping {
  std::vector<double> donor, acceptor;
};

DeviceDoping map_field_file(const std::filesystem::path& file, const std::vector<double>& x,
                            const std::vector<double>& y) {
  DeviceDoping d{std::vector<double>(x.size() * y.size()), std::vector<double>(x.size() * y.size())};
  devora::RDDOP3D(field_name(file), d.donor, d.acceptor, x, y, kNiRef);
  return d;
}

TEST(FieldDopingFile, ProcessSimulatorFileReadsWithItsOxideRegion) {
  ScratchDir dir;
  write_file(dir / "IMP.INP",
             "MESH: NX=3 NY=41 XX=1 YY=1;\n"
             "SUBS: BO=1e15;\n"
             "PHIM: DZ=1e13 EN=50;\n"
             "$\n");
  const auto r = run_program(TAVIK_EXE, "IMP.INP", dir.path());
  ASSERT_EQ(r.exit_status, 0) << r.output;
  const sim::Dop3d f = sim::read_dop3d(dir / "IMP.3D");
  ASSERT_EQ(f.regions.size(), 1u);

  // On the file's own mesh the fields come back (up to the log round trip).
  const DeviceDoping same = map_field_file(dir / "IMP.3D", f.x, f.y);
  expect_near_relative(same.donor, f.blocks[2].values);
  expect_near_relative(same.acceptor, f.blocks[3].values);
  EXPECT_GT(same.donor[0], 1e16);                        // the implanted phosphorus
  EXPECT_NEAR(same.acceptor.back(), 1e15, 1e15 * 1e-6);  // the boron substrate

  // Half way between two rows: the geometric mean of the file's values.
  const DeviceDoping mid = map_field_file(dir / "IMP.3D", {f.x[0]}, {0.5 * (f.y[4] + f.y[5])});
  const auto& file_donor = f.blocks[2].values;
  EXPECT_NEAR(mid.donor[0], std::sqrt(file_donor[4 * f.nx()] * file_donor[5 * f.nx()]), mid.donor[0] * 1e-9);

  // The device simulator sets up on it: net and total doping in units of NI,
  // and the file named once after the mesh and once per curve.
  DeckRun d("MESH: NX=6 NY=20; DOPN: FILE='" + (dir / "IMP.3D").string() + "'; $");
  devora::set_up_device(d.run);
  const double ni = d.run.scale.NI;
  EXPECT_NEAR(d.run.nodes.NETD.back() * ni, -1e15, 1e15 * 1e-2);
  EXPECT_NEAR(d.run.nodes.TOTD.back() * ni, 1e15, 1e15 * 1e-2);
  write_file(dir / "DEV.INP",
             "DOPN: FILE='IMP.3D';\n"
             "OHMI: NAME='A' NUM=1 XLT=0 XRT=1; }\n"
             "IVDA: NUMC=1 NPNT=1 VSTE=0.1; }\n"
             "$\n");
  const auto dev = run_program(DEVORA_EXE, "DEV.INP", dir.path());
  EXPECT_EQ(dev.exit_status, 0) << dev.output;
  const std::string line = " Processing doping data from IMP.3D";
  const auto first = dev.output.find(line);
  ASSERT_NE(first, std::string::npos) << dev.output;
  EXPECT_NE(dev.output.find(line, first + 1), std::string::npos);
  EXPECT_NE(dev.output.find(" Computation completed "), std::string::npos);  // solved on it end to end
  EXPECT_TRUE(std::filesystem::exists(dir / "DEV.2D"));
}

sim::Dop3d one_column_file() {
  sim::Dop3d f;
  f.title = "one column";
  f.x = {0.5};
  f.y = {0.0, 1.0};
  const std::vector<std::vector<double>> values{{0, 0}, {0, 0}, {1e14, 1e16}, {1e18, 1e16}};
  for (const auto& v : values) f.blocks.push_back({"block", {}, "TT", v});
  return f;
}

TEST(FieldDopingFile, OneColumnFileAndTrailingBytes) {
  ScratchDir dir;
  const std::string record = sim::encode_dop3d(one_column_file());
  write_file(dir / "ONE.3D", record + std::string(100, 'x'));  // longer than its record
  const DeviceDoping d = map_field_file(dir / "ONE.3D", {0.0, 2.0}, {0.5, 5.0});
  expect_near_relative(d.donor, {1e15, 1e15, 1e16, 1e16});
  expect_near_relative(d.acceptor, {1e17, 1e17, 1e16, 1e16});
}

TEST(FieldDopingFile, BrokenFilesStop) {
  ScratchDir dir;
  const sim::Dop3d good = one_column_file();
  sim::Dop3d three_blocks = good;
  three_blocks.blocks.pop_back();
  sim::Dop3d descending = good;
  descending.y = {1.0, 0.0};
  sim::Dop3d huge_donor = good;
  huge_donor.blocks[2].values[1] = 1e300;
  sim::Dop3d with_region = good;  // as the process simulator writes it
  with_region.regions.push_back({0, 15, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}, {}});
  for (auto& b : with_region.blocks) b.region_codes = {{22, 15}};
  std::string region_count_zero = sim::encode_dop3d(with_region);
  const std::size_t region_count_at = sim::kDop3dHeaderBytes + 2 * 80 + 8 * 3;
  region_count_zero.replace(region_count_at, 4, std::string(4, '\0'));  // then read as blocks
  const std::string record = sim::encode_dop3d(good);
  const std::vector<std::string> contents{
      record.substr(0, record.size() - 1),  // shorter than its record
      record.substr(0, 50),                 // shorter than its header
      sim::encode_dop3d(three_blocks),
      sim::encode_dop3d(descending),
      sim::encode_dop3d(huge_donor),
      region_count_zero,
  };
  for (std::size_t c = 0; c < contents.size(); ++c) {
    write_file(dir / "BAD.3D", contents[c]);
    EXPECT_EQ(stop_message([&] { map_field_file(dir / "BAD.3D", {0.0}, {0.0}); }),
              " Check input doping file " + field_name(dir / "BAD.3D"))
        << "case " << c;
  }
  // A large file that is no field file stops on its header, before it is
  // read (a sparse gigabyte of zeros: reading it would take seconds).
  write_file(dir / "ZEROS.3D", "");
  std::filesystem::resize_file(dir / "ZEROS.3D", 1u << 30);
  EXPECT_EQ(stop_message([&] { map_field_file(dir / "ZEROS.3D", {0.0}, {0.0}); }),
            " Check input doping file " + field_name(dir / "ZEROS.3D"));
  EXPECT_EQ(stop_message([&] { map_field_file(dir / "NONE.3D", {0.0}, {0.0}); }),
            " Check input doping file " + field_name(dir / "NONE.3D"));
}

}  // namespace
