#include "common/dop3d.hpp"

#include <bit>
#include <span>
#include <fstream>
#include <limits>

#include "common/fixed_text.hpp"
#include "common/line_input.hpp"
#include "common/replace_file.hpp"

namespace sim {

namespace {

constexpr std::uint64_t kIntBytes = 4;
constexpr std::uint64_t kRealBytes = 8;
constexpr std::uint64_t kPointBytes = 2 * kRealBytes;
constexpr std::uint64_t kCellBytes = 4 * kPointBytes;
constexpr std::uint64_t kCodePairBytes = 2 * kIntBytes;
constexpr std::uint64_t kText = kDop3dTextWidth;

// ---- encoding -------------------------------------------------------------

// Appends items in file byte order, independent of the host's.
class ByteWriter {
 public:
  // Appends to `bytes`, cleared first; its capacity is kept, so a buffer
  // written again and again is not allocated anew.
  ByteWriter(std::string& bytes, std::uint64_t size) : bytes_(bytes) {
    bytes_.clear();
    bytes_.reserve(size);
  }

  void int32(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) put(static_cast<unsigned char>(bits >> shift));
  }
  void real(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int shift = 0; shift < 64; shift += 8) put(static_cast<unsigned char>(bits >> shift));
  }
  // A run of reals: on a little-endian host their memory already is the
  // file's byte order.
  void reals(std::span<const double> values) {
    if constexpr (std::endian::native == std::endian::little) {
      bytes_.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(double));
    } else {
      for (double v : values) real(v);
    }
  }
  void point(const Dop3dPoint& p) {
    real(p.x);
    real(p.y);
  }
  void text(std::string_view s, std::size_t width) { bytes_ += fixed(s, width); }
  void raw(std::string_view s) { bytes_ += s; }


 private:
  void put(unsigned char byte) { bytes_.push_back(static_cast<char>(byte)); }
  std::string& bytes_;
};

std::int32_t as_count(std::size_t n, const char* what) {
  if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    throw std::invalid_argument(std::string("DOP3D: too many ") + what);
  return static_cast<std::int32_t>(n);
}

void check_consistent(const Dop3d& file) {
  if (file.x.empty() || file.y.empty()) throw std::invalid_argument("DOP3D: empty mesh axis");
  as_count(file.nx(), "x coordinates");
  as_count(file.ny(), "y coordinates");
  const std::size_t k = file.node_count();
  as_count(k, "nodes");
  as_count(file.regions.size(), "regions");
  as_count(file.blocks.size(), "blocks");
  for (const Dop3dRegion& region : file.regions) {
    as_count(region.outline.size(), "outline points");
    as_count(region.cells.size(), "cells");
  }
  for (const Dop3dBlock& block : file.blocks) {
    if (block.mask.size() != k || block.values.size() != k)
      throw std::invalid_argument("DOP3D: block size differs from the node count");
    if (block.region_codes.size() != file.regions.size())
      throw std::invalid_argument("DOP3D: block code pairs differ from the region count");
  }
}

void encode_region(ByteWriter& out, const Dop3dRegion& region) {
  out.int32(region.code1);
  out.int32(region.code2);
  out.int32(static_cast<std::int32_t>(region.outline.size()));
  for (const Dop3dPoint& p : region.outline) out.point(p);
  out.int32(static_cast<std::int32_t>(region.cells.size()));
  for (const Dop3dCell& cell : region.cells)
    for (const Dop3dPoint& p : cell) out.point(p);
}

void encode_block(ByteWriter& out, const Dop3dBlock& block) {
  out.text(block.label, kText);
  for (const Dop3dCodePair& pair : block.region_codes) {
    out.int32(pair.first);
    out.int32(pair.second);
  }
  out.raw(block.mask);
  out.reals(block.values);
}

// ---- decoding -------------------------------------------------------------

// Walks the record; every read is bounds checked, and every count is checked
// against the remaining bytes before anything is sized from it.
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

  std::uint64_t remaining() const { return bytes_.size() - pos_; }

  std::int32_t int32(const char* what) {
    need(kIntBytes, what);
    std::uint32_t bits = 0;
    for (int b = 0; b < 4; ++b) bits |= std::uint32_t{byte()} << (8 * b);
    return static_cast<std::int32_t>(bits);
  }
  double real(const char* what) {
    need(kRealBytes, what);
    std::uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) bits |= std::uint64_t{byte()} << (8 * b);
    return std::bit_cast<double>(bits);
  }
  Dop3dPoint point(const char* what) {
    const double px = real(what);
    const double py = real(what);
    return {px, py};
  }
  std::string text(std::uint64_t width, const char* what) {
    need(width, what);
    std::string s(bytes_.substr(pos_, width));
    pos_ += width;
    return s;
  }

  // A count read from the file: non-negative, and `item_bytes` times it must
  // still fit in what is left of the record.
  std::int32_t count(const char* what, std::uint64_t item_bytes) {
    const std::int32_t n = int32(what);
    if (n < 0) throw Dop3dError(std::string("negative ") + what + " in field file");
    if (static_cast<std::uint64_t>(n) * item_bytes > remaining())
      throw Dop3dError(std::string(what) + " exceeds the size of the field file");
    return n;
  }

  void need(std::uint64_t n, const char* what) const {
    if (n > remaining()) throw Dop3dError(std::string("field file ends inside ") + what);
  }

 private:
  unsigned char byte() { return static_cast<unsigned char>(bytes_[pos_++]); }

  std::string_view bytes_;
  std::size_t pos_ = 0;
};

Dop3dHeader read_header(ByteReader& in) {
  Dop3dHeader h;
  h.title = in.text(kText, "the title");
  h.block_count = in.int32("the block count");
  h.nx = in.int32("the mesh size");
  h.ny = in.int32("the mesh size");
  h.node_count = in.int32("the node count");
  if (h.block_count < 0) throw Dop3dError("negative block count in field file");
  if (h.nx < 1 || h.ny < 1) throw Dop3dError("mesh size below 1 in field file");
  if (std::int64_t{h.nx} * h.ny != h.node_count)
    throw Dop3dError("node count differs from NX*NY in field file");
  return h;
}

std::vector<double> read_reals(ByteReader& in, std::int32_t n, const char* what) {
  in.need(static_cast<std::uint64_t>(n) * kRealBytes, what);
  std::vector<double> v(static_cast<std::size_t>(n));
  for (double& value : v) value = in.real(what);
  return v;
}

Dop3dRegion read_region(ByteReader& in) {
  Dop3dRegion region;
  region.code1 = in.int32("a region record");
  region.code2 = in.int32("a region record");
  const std::int32_t np = in.count("outline point count", kPointBytes);
  region.outline.resize(static_cast<std::size_t>(np));
  for (Dop3dPoint& p : region.outline) p = in.point("a region outline");
  const std::int32_t nc = in.count("cell count", kCellBytes);
  region.cells.resize(static_cast<std::size_t>(nc));
  for (Dop3dCell& cell : region.cells)
    for (Dop3dPoint& p : cell) p = in.point("a region cell");
  return region;
}

Dop3dBlock read_block(ByteReader& in, std::size_t regions, std::int32_t nodes) {
  Dop3dBlock block;
  block.label = in.text(kText, "a block label");
  in.need(regions * kCodePairBytes, "block region codes");
  block.region_codes.resize(regions);
  for (Dop3dCodePair& pair : block.region_codes) {
    pair.first = in.int32("block region codes");
    pair.second = in.int32("block region codes");
  }
  block.mask = in.text(static_cast<std::uint64_t>(nodes), "a node mask");
  block.values = read_reals(in, nodes, "block values");
  return block;
}

// ---- reading a file ----------------------------------------------------------

// The file's bytes [offset, offset + n), read where they lie.
std::string read_at(std::ifstream& in, std::uint64_t offset, std::uint64_t n, const char* what) {
  std::string bytes(n, '\0');
  in.seekg(static_cast<std::streamoff>(offset));
  if (!in.read(bytes.data(), static_cast<std::streamsize>(n)))
    throw Dop3dError(std::string("field file ends inside ") + what);
  return bytes;
}

std::uint64_t file_size_of(std::ifstream& in) {
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (end < 0 || !in) throw Dop3dError("cannot read field file");
  return static_cast<std::uint64_t>(end);
}

// Walks a record's counts in file order through the stream's buffer, each
// checked against the bytes left in the file before anything is sized from
// it. Short skips stay in the buffer (a seek drops it and costs a system
// call, which a file of millions of empty regions would pay per region).
class CountScanner {
 public:
  CountScanner(std::ifstream& in, std::uint64_t file_bytes) : in_(in), file_bytes_(file_bytes) {
    in_.seekg(0);
  }

  std::uint64_t at() const { return at_; }
  std::uint64_t remaining() const { return file_bytes_ - at_; }

  std::string bytes(std::uint64_t n, const char* what) {
    need(n, what);
    std::string b(n, '\0');
    if (!in_.read(b.data(), static_cast<std::streamsize>(n)))
      throw Dop3dError(std::string("field file ends inside ") + what);
    at_ += n;
    return b;
  }

  void skip(std::uint64_t n, const char* what) {
    constexpr std::uint64_t kSeekFrom = 1 << 16;
    need(n, what);
    if (n >= kSeekFrom)
      in_.seekg(static_cast<std::streamoff>(n), std::ios::cur);
    else
      in_.ignore(static_cast<std::streamsize>(n));
    at_ += n;
  }

  // A non-negative count whose items fit in the bytes after it.
  std::uint64_t count(std::uint64_t item_bytes, const char* what) {
    const std::string b = bytes(kIntBytes, what);
    const std::int32_t n = ByteReader(b).int32(what);
    if (n < 0) throw Dop3dError(std::string("negative ") + what + " in field file");
    if (static_cast<std::uint64_t>(n) > remaining() / item_bytes)
      throw Dop3dError(std::string(what) + " exceeds the size of the field file");
    return static_cast<std::uint64_t>(n);
  }

 private:
  void need(std::uint64_t n, const char* what) const {
    if (n > remaining()) throw Dop3dError(std::string("field file ends inside ") + what);
  }

  std::ifstream& in_;
  std::uint64_t file_bytes_;
  std::uint64_t at_ = 0;
};

// Length of the record the file starts with, from its header and region
// records alone: a file too short for the counts it states is refused
// before its blocks are read, and bytes after the record are never read.
// Divisions, not products, so that a corrupt count cannot overflow.
std::uint64_t record_length_of(std::ifstream& in, std::uint64_t file_bytes) {
  CountScanner scan(in, file_bytes);
  const Dop3dHeader h = decode_dop3d_header(scan.bytes(kDop3dHeaderBytes, "the header"));
  const auto axes = static_cast<std::uint64_t>(h.nx) + static_cast<std::uint64_t>(h.ny);
  scan.skip(2 * kText + kRealBytes * axes, "the mesh axes");
  const std::uint64_t regions = scan.count(4 * kIntBytes, "region count");
  for (std::uint64_t r = 0; r < regions; ++r) {
    scan.skip(2 * kIntBytes, "a region record");
    scan.skip(kPointBytes * scan.count(kPointBytes, "outline point count"), "a region outline");
    scan.skip(kCellBytes * scan.count(kCellBytes, "cell count"), "a region cell");
  }
  const std::uint64_t per_block =
      kText + kCodePairBytes * regions + (1 + kRealBytes) * static_cast<std::uint64_t>(h.node_count);
  if (static_cast<std::uint64_t>(h.block_count) > scan.remaining() / per_block)
    throw Dop3dError("block count and node count do not match the size of the field file");
  return scan.at() + per_block * static_cast<std::uint64_t>(h.block_count);
}

}  // namespace

std::uint64_t dop3d_record_length(const Dop3d& file) {
  std::uint64_t length = kText + 4 * kIntBytes;
  length += kText + kRealBytes * file.nx();
  length += kText + kRealBytes * file.ny();
  length += kIntBytes;
  for (const Dop3dRegion& region : file.regions)
    length += 3 * kIntBytes + kPointBytes * region.outline.size() + kIntBytes +
              kCellBytes * region.cells.size();
  const std::uint64_t per_block =
      kText + kCodePairBytes * file.regions.size() + (1 + kRealBytes) * file.node_count();
  return length + per_block * file.blocks.size();
}

std::string encode_dop3d(const Dop3d& file) {
  std::string bytes;
  encode_dop3d(file, bytes);
  return bytes;
}

void encode_dop3d(const Dop3d& file, std::string& bytes) {
  check_consistent(file);
  ByteWriter out(bytes, dop3d_record_length(file));
  out.text(file.title, kText);
  out.int32(static_cast<std::int32_t>(file.blocks.size()));
  out.int32(static_cast<std::int32_t>(file.nx()));
  out.int32(static_cast<std::int32_t>(file.ny()));
  out.int32(static_cast<std::int32_t>(file.node_count()));
  out.text(file.x_label, kText);
  out.reals(file.x);
  out.text(file.y_label, kText);
  out.reals(file.y);
  out.int32(static_cast<std::int32_t>(file.regions.size()));
  for (const Dop3dRegion& region : file.regions) encode_region(out, region);
  for (const Dop3dBlock& block : file.blocks) encode_block(out, block);
}

void write_dop3d(const std::filesystem::path& path, const Dop3d& file) {
  replace_file(path, encode_dop3d(file));
}

Dop3dHeader decode_dop3d_header(std::string_view bytes) {
  ByteReader in(bytes);
  return read_header(in);
}

Dop3d decode_dop3d(std::string_view bytes, Dop3dTrailingBytes trailing) {
  ByteReader in(bytes);
  const Dop3dHeader header = read_header(in);
  Dop3d file;
  file.title = header.title;
  file.x_label = in.text(kText, "the x label");
  file.x = read_reals(in, header.nx, "the x coordinates");
  file.y_label = in.text(kText, "the y label");
  file.y = read_reals(in, header.ny, "the y coordinates");

  const std::int32_t regions = in.count("region count", 4 * kIntBytes);
  file.regions.reserve(static_cast<std::size_t>(regions));
  for (std::int32_t r = 0; r < regions; ++r) file.regions.push_back(read_region(in));

  const std::uint64_t block_bytes =
      kText + kCodePairBytes * file.regions.size() +
      (1 + kRealBytes) * static_cast<std::uint64_t>(header.node_count);
  // Division, not multiplication: a corrupt block count must not overflow.
  const std::uint64_t blocks = static_cast<std::uint64_t>(header.block_count);
  const bool blocks_fit = trailing == Dop3dTrailingBytes::ignore
                              ? blocks <= in.remaining() / block_bytes
                              : in.remaining() % block_bytes == 0 && in.remaining() / block_bytes == blocks;
  if (!blocks_fit) throw Dop3dError("block count and node count do not match the size of the field file");
  file.blocks.reserve(static_cast<std::size_t>(header.block_count));
  for (std::int32_t b = 0; b < header.block_count; ++b)
    file.blocks.push_back(read_block(in, file.regions.size(), header.node_count));

  if (trailing == Dop3dTrailingBytes::refuse && in.remaining() != 0)
    throw Dop3dError("bytes after the end of the field file record");
  return file;
}

Dop3d read_dop3d(const std::filesystem::path& path, Dop3dTrailingBytes trailing) {
  std::ifstream in = open_data_file(path, std::ios::binary);  // a regular file has an end
  if (!in) throw Dop3dError("cannot open field file " + path.string());
  try {
    const std::uint64_t file_bytes = file_size_of(in);
    const std::uint64_t record_bytes = record_length_of(in, file_bytes);
    if (trailing == Dop3dTrailingBytes::refuse && record_bytes != file_bytes)
      throw Dop3dError("bytes after the end of the field file record");
    return decode_dop3d(read_at(in, 0, record_bytes, "the record"), Dop3dTrailingBytes::refuse);
  } catch (const Dop3dError& e) {
    throw Dop3dError(std::string(e.what()) + ": " + path.string());
  }
}

}  // namespace sim
