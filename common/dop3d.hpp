#pragma once
// The field file DOP3D: a tensor mesh with labelled node fields, stored as
// one record with no padding and no record markers. Both programs write it
// (doping file, solution file); the device simulator reads it.
//
// Record, in order: title (80 bytes), B, NX, NY, K = NX*NY (int32 each),
// x label (80), x(1..NX) (float64), y label (80), y(1..NY) (float64), R
// (int32), R region records, then B blocks. A region record is: two codes,
// NP (int32 each), NP points (x, y), NC (int32), NC cells of four points.
// A block is: label (80), R code pairs (int32), K mask bytes, K values
// (float64). Integers are little-endian two's complement, reals
// little-endian IEEE doubles, texts fixed width and blank padded; NUL bytes
// in a text are kept. Nodes run x fastest: node (i, j) is index i + j*NX
// (0-based).
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr std::size_t kDop3dTextWidth = 80;
inline constexpr std::size_t kDop3dHeaderBytes = 96;  // title + B, NX, NY, K
inline constexpr std::string_view kDop3dXLabel = "Distance X (microns)";
inline constexpr std::string_view kDop3dYLabel = "Distance Y (microns)";

struct Dop3dPoint {
  double x = 0.0;
  double y = 0.0;
  bool operator==(const Dop3dPoint&) const = default;
};

using Dop3dCell = std::array<Dop3dPoint, 4>;  // four corners, in order around the cell

struct Dop3dRegion {
  std::int32_t code1 = 0;
  std::int32_t code2 = 0;
  std::vector<Dop3dPoint> outline;
  std::vector<Dop3dCell> cells;
  bool operator==(const Dop3dRegion&) const = default;
};

struct Dop3dCodePair {
  std::int32_t first = 0;
  std::int32_t second = 0;
  bool operator==(const Dop3dCodePair&) const = default;
};

struct Dop3dBlock {
  std::string label;                        // up to 80 bytes, blank padded on output
  std::vector<Dop3dCodePair> region_codes;  // one pair per region of the file
  std::string mask;                         // one byte per node, "T" or "F"
  std::vector<double> values;               // one value per node
  bool operator==(const Dop3dBlock&) const = default;
};

// A whole field file. NX and NY are the lengths of x and y.
struct Dop3d {
  std::string title;  // up to 80 bytes, blank padded on output
  std::string x_label = std::string(kDop3dXLabel);
  std::vector<double> x;
  std::string y_label = std::string(kDop3dYLabel);
  std::vector<double> y;
  std::vector<Dop3dRegion> regions;
  std::vector<Dop3dBlock> blocks;

  std::size_t nx() const { return x.size(); }
  std::size_t ny() const { return y.size(); }
  std::size_t node_count() const { return x.size() * y.size(); }
  bool operator==(const Dop3d&) const = default;
};

// The first 96 bytes alone: enough to learn the mesh and block counts.
struct Dop3dHeader {
  std::string title;
  std::int32_t block_count = 0;
  std::int32_t nx = 0;
  std::int32_t ny = 0;
  std::int32_t node_count = 0;
};

// A file that does not hold a well-formed record. Callers turn it into a
// fatal stop with their own message.
struct Dop3dError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Record length in bytes:
//   80 + 16 + (80 + 8 NX) + (80 + 8 NY) + 4
//   + sum over regions (16 + 16 NP + 64 NC) + B (80 + 8 R + 9 K).
std::uint64_t dop3d_record_length(const Dop3d& file);

// The record's bytes. Throws std::invalid_argument when the description is
// inconsistent (empty axis, a block whose mask, values or code pairs do not
// match the mesh and region count, counts beyond the 4-byte integer range).
std::string encode_dop3d(const Dop3d& file);
// The same into `bytes` (replaced), reusing its storage.
void encode_dop3d(const Dop3d& file, std::string& bytes);

// Rewrites `path` with the record through replace_file (a complete file or
// the old one; failures stop the run).
void write_dop3d(const std::filesystem::path& path, const Dop3d& file);

// What a decoder does with bytes after the end of the record: refuse them
// (the file must be exactly one record), or ignore them (an older, longer
// file rewritten in place with a shorter record is still read).
enum class Dop3dTrailingBytes { refuse, ignore };

// Decoding. Every count is checked against the bytes that remain before
// anything is allocated from it; negative or inconsistent counts, a short
// record and (unless ignored) bytes after the record throw Dop3dError.
Dop3dHeader decode_dop3d_header(std::string_view bytes);
Dop3d decode_dop3d(std::string_view bytes, Dop3dTrailingBytes trailing = Dop3dTrailingBytes::refuse);

// Reads and decodes a file. The record's length is found from the header
// and the region records first and checked against the file's size, so a
// file too short for the counts it states is refused before its blocks are
// read, and bytes after the record (when ignored) are never read. A file
// that cannot be read throws Dop3dError too. Messages name the file.
Dop3d read_dop3d(const std::filesystem::path& path,
                 Dop3dTrailingBytes trailing = Dop3dTrailingBytes::refuse);

// One node field widened to the file's 8-byte reals.
template <class Real>
std::vector<double> widen_to_double(std::span<const Real> values) {
  return std::vector<double>(values.begin(), values.end());
}

}  // namespace sim
