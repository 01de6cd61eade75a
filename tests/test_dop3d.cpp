#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/dop3d.hpp"
#include "common/fatal_stop.hpp"
#include "common/replace_file.hpp"
#include "common/run_header.hpp"
#include "support.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::ScratchDir;
using testing_support::write_file;

// Independent little-endian helpers for the expected bytes.
std::string le32(std::uint32_t v) {
  std::string s;
  for (int b = 0; b < 4; ++b) s += static_cast<char>((v >> (8 * b)) & 0xFF);
  return s;
}
std::string le64(std::uint64_t v) {
  std::string s;
  for (int b = 0; b < 8; ++b) s += static_cast<char>((v >> (8 * b)) & 0xFF);
  return s;
}
std::string pad80(const std::string& s) { return s + std::string(80 - s.size(), ' '); }

constexpr std::uint64_t kOne = 0x3FF0000000000000ULL;       // 1.0
constexpr std::uint64_t kTwo = 0x4000000000000000ULL;       // 2.0
constexpr std::uint64_t kMinusHalf = 0xBFE0000000000000ULL;  // -0.5
constexpr std::uint64_t kZero = 0;

sim::Dop3d mesh_with_blocks(int nx, int ny, int blocks) {
  sim::Dop3d f;
  f.title = "T";
  for (int i = 0; i < nx; ++i) f.x.push_back(0.25 * i);
  for (int j = 0; j < ny; ++j) f.y.push_back(-1.0 + 0.5 * j);
  const std::size_t k = f.node_count();
  for (int b = 0; b < blocks; ++b) {
    sim::Dop3dBlock blk{"block " + std::to_string(b), {}, std::string(k, 'T'), {}};
    for (std::size_t n = 0; n < k; ++n) blk.values.push_back(1e15 * (n + 1) - b);
    f.blocks.push_back(blk);
  }
  return f;
}

// A file with everything: NUL bytes in the title, two regions (one without
// cells), two blocks with both mask characters.
sim::Dop3d full_example() {
  sim::Dop3d f = mesh_with_blocks(3, 2, 2);
  f.title = std::string("METH=\0\0x", 8);
  f.regions.push_back({0, 15, {{0, 0}, {1, 0.5}, {2, 0}}, {{{{0, 0}, {0, 1}, {1, 1}, {1, 0}}}}});
  f.regions.push_back({-7, 22, {{3, 4}}, {}});
  for (auto& b : f.blocks) {
    b.region_codes = {{0, 15}, {0, 22}};
    b.mask = "TFTTFF";
  }
  return f;
}

// ---- encoding ---------------------------------------------------------------

TEST(Dop3dEncode, SmallRecordByteForByte) {
  sim::Dop3d f;
  f.title = std::string("A\0B", 3);
  f.x = {1.0, 2.0};
  f.y = {-0.5};
  f.regions.push_back({0, 15, {{1.0, 2.0}}, {{{{1, 1}, {2, 2}, {1, 2}, {2, 1}}}}});
  f.blocks.push_back({"Net doping concentration (cm-3)", {{0, 22}}, "TF", {1.0, 0.0}});

  std::string expected = std::string("A\0B", 3) + std::string(77, ' ');
  expected += le32(1) + le32(2) + le32(1) + le32(2);  // B, NX, NY, K
  expected += pad80("Distance X (microns)") + le64(kOne) + le64(kTwo);
  expected += pad80("Distance Y (microns)") + le64(kMinusHalf);
  expected += le32(1);                                       // R
  expected += le32(0) + le32(15) + le32(1) + le64(kOne) + le64(kTwo);  // codes, NP, outline
  expected += le32(1) + le64(kOne) + le64(kOne) + le64(kTwo) + le64(kTwo) + le64(kOne) +
              le64(kTwo) + le64(kTwo) + le64(kOne);  // NC, one cell
  expected += pad80("Net doping concentration (cm-3)") + le32(0) + le32(22) + "TF" + le64(kOne) +
              le64(kZero);

  const std::string bytes = sim::encode_dop3d(f);
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(bytes.size(), sim::dop3d_record_length(f));
}

TEST(Dop3dEncode, NegativeCodesAreTwosComplement) {
  sim::Dop3d f = mesh_with_blocks(1, 1, 0);
  f.regions.push_back({-2, 0x01020304, {}, {}});
  const std::string bytes = sim::encode_dop3d(f);
  const std::size_t region_at = 80 + 16 + 80 + 8 + 80 + 8 + 4;
  EXPECT_EQ(bytes.substr(region_at, 8), le32(0xFFFFFFFEu) + "\x04\x03\x02\x01");
}

TEST(Dop3dEncode, RecordLengthWithoutRegions) {
  struct Case { int nx, ny, blocks; };
  for (const Case c : {Case{1, 1, 0}, Case{3, 2, 4}, Case{7, 5, 1}, Case{40, 30, 36}}) {
    const sim::Dop3d f = mesh_with_blocks(c.nx, c.ny, c.blocks);
    const std::uint64_t k = static_cast<std::uint64_t>(c.nx) * c.ny;
    const std::uint64_t expected = 260 + 8 * c.nx + 8 * c.ny + c.blocks * (80 + 9 * k);
    EXPECT_EQ(sim::dop3d_record_length(f), expected) << c.nx << "x" << c.ny;
    EXPECT_EQ(sim::encode_dop3d(f).size(), expected) << c.nx << "x" << c.ny;
  }
}

TEST(Dop3dEncode, RecordLengthWithRegions) {
  const sim::Dop3d f = full_example();
  // regions: (16 + 16*3 + 64*1) + (16 + 16*1 + 0); blocks: 2*(80 + 8*2 + 9*6)
  const std::uint64_t expected = 260 + 24 + 16 + 128 + 32 + 2 * (80 + 16 + 54);
  EXPECT_EQ(sim::dop3d_record_length(f), expected);
  EXPECT_EQ(sim::encode_dop3d(f).size(), expected);
}

TEST(Dop3dEncode, InconsistentDescriptionRejected) {
  sim::Dop3d f = full_example();
  f.blocks[1].values.pop_back();
  EXPECT_THROW(sim::encode_dop3d(f), std::invalid_argument);
  f = full_example();
  f.blocks[0].mask += 'T';
  EXPECT_THROW(sim::encode_dop3d(f), std::invalid_argument);
  f = full_example();
  f.blocks[0].region_codes.pop_back();
  EXPECT_THROW(sim::encode_dop3d(f), std::invalid_argument);
  f = full_example();
  f.x.clear();
  EXPECT_THROW(sim::encode_dop3d(f), std::invalid_argument);
}

// ---- decoding ---------------------------------------------------------------

TEST(Dop3dDecode, RoundTripKeepsEveryItem) {
  const sim::Dop3d f = full_example();
  const sim::Dop3d back = sim::decode_dop3d(sim::encode_dop3d(f));
  // Texts come back at their full 80-byte width.
  EXPECT_EQ(back.title, f.title + std::string(72, ' '));
  EXPECT_EQ(back.title[5], '\0');
  sim::Dop3d padded = f;
  padded.title = back.title;
  padded.x_label = pad80(f.x_label);
  padded.y_label = pad80(f.y_label);
  for (auto& b : padded.blocks) b.label = pad80(b.label);
  EXPECT_EQ(back, padded);
}

TEST(Dop3dDecode, HeaderAlone) {
  const std::string bytes = sim::encode_dop3d(full_example());
  const sim::Dop3dHeader h = sim::decode_dop3d_header(bytes.substr(0, sim::kDop3dHeaderBytes));
  EXPECT_EQ(h.block_count, 2);
  EXPECT_EQ(h.nx, 3);
  EXPECT_EQ(h.ny, 2);
  EXPECT_EQ(h.node_count, 6);
  EXPECT_THROW(sim::decode_dop3d_header(bytes.substr(0, 95)), sim::Dop3dError);
}

TEST(Dop3dDecode, EveryTruncationAndTrailingByteRefused) {
  const std::string bytes = sim::encode_dop3d(full_example());
  for (std::size_t n = 0; n < bytes.size(); ++n)
    EXPECT_THROW(sim::decode_dop3d(std::string_view(bytes).substr(0, n)), sim::Dop3dError)
        << "prefix of " << n << " bytes";
  EXPECT_THROW(sim::decode_dop3d(bytes + '\0'), sim::Dop3dError);
}

TEST(Dop3dDecode, TrailingBytesIgnoredOnRequestOnly) {
  const std::string bytes = sim::encode_dop3d(full_example());
  const auto ignore = sim::Dop3dTrailingBytes::ignore;
  EXPECT_EQ(sim::decode_dop3d(bytes + std::string(500, '\xff'), ignore), sim::decode_dop3d(bytes));
  EXPECT_THROW(sim::decode_dop3d(std::string_view(bytes).substr(0, bytes.size() - 1), ignore), sim::Dop3dError);
  std::string huge_block_count = bytes;
  huge_block_count.replace(80, 4, le32(0x7FFFFFFFu));
  EXPECT_THROW(sim::decode_dop3d(huge_block_count + std::string(1000, '\0'), ignore), sim::Dop3dError);
}

// Offsets into full_example()'s record.
constexpr std::size_t kAtB = 80, kAtNX = 84, kAtNY = 88, kAtK = 92;
constexpr std::size_t kAtR = 96 + 80 + 24 + 80 + 16;
constexpr std::size_t kAtNP = kAtR + 4 + 8;
constexpr std::size_t kAtNC = kAtNP + 4 + 3 * 16;

TEST(Dop3dDecode, CorruptCountsRefused) {
  struct Case { const char* what; std::size_t offset; std::uint32_t value; };
  const Case cases[] = {
      {"negative block count", kAtB, 0xFFFFFFFFu},
      {"block count too large", kAtB, 3},
      {"huge block count", kAtB, 0x7FFFFFFFu},
      {"NX zero", kAtNX, 0},
      {"negative NY", kAtNY, 0xFFFFFFFEu},
      {"K not NX*NY", kAtK, 7},
      {"K and NX*NY overflow", kAtNX, 0x7FFFFFFFu},
      {"negative region count", kAtR, 0x80000000u},
      {"huge region count", kAtR, 0x7FFFFFFFu},
      {"huge outline count", kAtNP, 0x7FFFFFFFu},
      {"negative outline count", kAtNP, 0xFFFFFFFFu},
      {"cell count off by one", kAtNC, 2},
      {"negative cell count", kAtNC, 0xFFFFFFFFu},
  };
  const std::string good = sim::encode_dop3d(full_example());
  for (const Case& c : cases) {
    std::string bytes = good;
    bytes.replace(c.offset, 4, le32(c.value));
    EXPECT_THROW(sim::decode_dop3d(bytes), sim::Dop3dError) << c.what;
  }
}

TEST(Dop3dFile, WriteThenReadBack) {
  ScratchDir dir;
  const sim::Dop3d f = full_example();
  sim::write_dop3d(dir / "RUN.3D", f);
  EXPECT_EQ(fs::file_size(dir / "RUN.3D"), sim::dop3d_record_length(f));
  EXPECT_EQ(sim::read_dop3d(dir / "RUN.3D").blocks[1].values, f.blocks[1].values);
}

TEST(Dop3dFile, MissingOrBrokenFileNamedInError) {
  ScratchDir dir;
  try {
    sim::read_dop3d(dir / "NONE.3D");
    FAIL() << "no error";
  } catch (const sim::Dop3dError& e) {
    EXPECT_NE(std::string(e.what()).find("NONE.3D"), std::string::npos);
  }
  write_file(dir / "SHORT.3D", std::string(100, 'x'));
  try {
    sim::read_dop3d(dir / "SHORT.3D");
    FAIL() << "no error";
  } catch (const sim::Dop3dError& e) {
    EXPECT_NE(std::string(e.what()).find("SHORT.3D"), std::string::npos);
  }
}

// ---- run header ---------------------------------------------------------------

TEST(RunHeader, WithoutCommTextsAreNulBytes) {
  const sim::RunHeaderTexts none;
  const std::string body = "METH=" + std::string(8, '\0') + "; PROJ=" + std::string(30, '\0') +
                           "; TIME=" + std::string(19, '\0') + ";";
  EXPECT_EQ(sim::RUNHDR(none, sim::RunHeaderKind::process), body + std::string("\0  ", 3));
  EXPECT_EQ(sim::FINFO(none), body + "   ");
}

TEST(RunHeader, TextsCutOrPaddedInPlace) {
  sim::RunHeaderTexts t;
  t.set_meth("DIFFUSION");  // 9 characters: cut to 8
  t.set_proj("Bipolar ");   // trailing blank kept, then padded
  const std::string h = sim::FINFO(t);
  ASSERT_EQ(h.size(), 80u);
  EXPECT_EQ(h.substr(0, 13), "METH=DIFFUSIO");
  EXPECT_EQ(h.substr(13, 7), "; PROJ=");
  EXPECT_EQ(h.substr(20, 30), "Bipolar" + std::string(23, ' '));
  EXPECT_EQ(h.substr(50, 7), "; TIME=");
  EXPECT_EQ(h.substr(57, 19), std::string(19, '\0'));  // TIME never given
  EXPECT_EQ(h.substr(76), ";   ");
  t.set_time("2024-01-02 03:04:05 extra");
  EXPECT_EQ(sim::RUNHDR(t, sim::RunHeaderKind::process).substr(57), std::string("2024-01-02 03:04:05;\0  ", 23));
}

// ---- replace_file ---------------------------------------------------------------

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

TEST(ReplaceFile, ShorterContentReplacesLongerFileWithoutLeftovers) {
  ScratchDir dir;
  write_file(dir / "OUT.3D", std::string(5000, 'o'));
  sim::replace_file(dir / "OUT.3D", std::string("new\0data", 8));
  EXPECT_EQ(read_file(dir / "OUT.3D"), std::string("new\0data", 8));
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"OUT.3D"});
  sim::replace_file(dir / "TABLE.2D", [](std::ostream& out) { out << "line 1\nline 2\n"; });
  EXPECT_EQ(read_file(dir / "TABLE.2D"), "line 1\nline 2\n");
  EXPECT_EQ(names_in(dir.path()).size(), 2u);
}

void expect_stop_naming(const fs::path& target, const std::function<void()>& action) {
  try {
    action();
    FAIL() << "no stop";
  } catch (const sim::FatalStop& stop) {
    EXPECT_EQ(stop.wait, sim::FatalStop::Wait::enter);
    EXPECT_EQ(std::string(stop.what()), " Cannot write file " + target.string());
  }
}

TEST(ReplaceFile, WriteErrorKeepsOldFileAndRemovesTemporary) {
  ScratchDir dir;
  write_file(dir / "OUT.3D", "old");
  expect_stop_naming(dir / "OUT.3D", [&] {
    sim::replace_file(dir / "OUT.3D", [](std::ostream& out) {
      out << "partial";
      out.setstate(std::ios::badbit);  // as a full disk would
    });
  });
  EXPECT_EQ(read_file(dir / "OUT.3D"), "old");
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"OUT.3D"});
}

TEST(ReplaceFile, ExceptionFromWriterPassesAndKeepsOldFile) {
  ScratchDir dir;
  write_file(dir / "OUT.2D", "old");
  EXPECT_THROW(sim::replace_file(dir / "OUT.2D",
                                 [](std::ostream& out) {
                                   out << "half";
                                   throw std::runtime_error("interrupted");
                                 }),
               std::runtime_error);
  EXPECT_EQ(read_file(dir / "OUT.2D"), "old");
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"OUT.2D"});
}

TEST(ReplaceFile, OpenAndRenameFailuresStop) {
  ScratchDir dir;
  expect_stop_naming(dir / "missing" / "OUT.3D",
                     [&] { sim::replace_file(dir / "missing" / "OUT.3D", "x"); });
  // A non-empty folder in the target's place cannot be renamed over.
  fs::create_directories(dir / "OUT.3D" / "inside");
  expect_stop_naming(dir / "OUT.3D", [&] { sim::replace_file(dir / "OUT.3D", "x"); });
  EXPECT_TRUE(fs::is_directory(dir / "OUT.3D" / "inside"));
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"OUT.3D"});
}

}  // namespace
