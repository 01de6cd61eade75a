// Fuzz target: the input is the bytes of a field file, decoded with both
// treatments of bytes after the record, and the header alone. A malformed
// record must end in Dop3dError, with nothing allocated beyond what the bytes
// can hold. A record that decodes must encode back to the same bytes (for
// the lenient decoder: to the bytes it read); a mismatch, or the encoder
// refusing a decoded file, is a fault and aborts. The bytes are also written
// to a file and read back by the file reader, which finds the record's
// length from the header and region records before reading: it must accept
// exactly what the lenient decoder accepts, with the same record.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "common/dop3d.hpp"

namespace {

void check_round_trip(std::string_view bytes, sim::Dop3dTrailingBytes trailing) {
  sim::Dop3d file;
  try {
    file = sim::decode_dop3d(bytes, trailing);
  } catch (const sim::Dop3dError&) {
    return;  // refused with a message
  }
  const std::string encoded = sim::encode_dop3d(file);
  if (encoded.size() != sim::dop3d_record_length(file)) std::abort();
  const bool exact = trailing == sim::Dop3dTrailingBytes::refuse;
  if (exact ? encoded != bytes : !bytes.starts_with(encoded)) std::abort();
}

// One file per fuzzing process in the working folder, removed at exit.
const std::string& scratch_file() {
  static const std::string path = "fuzz_dop3d_" + std::to_string(::getpid()) + ".3D";
  static const bool removed_at_exit = std::atexit([] { std::filesystem::remove(scratch_file()); }) == 0;
  (void)removed_at_exit;
  return path;
}

std::optional<std::string> record_of(const auto& read) {
  try {
    return sim::encode_dop3d(read());
  } catch (const sim::Dop3dError&) {
    return std::nullopt;
  }
}

void check_file_reader(std::string_view bytes) {
  {
    std::ofstream out(scratch_file(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return;  // no space to write: nothing to compare
  }
  const auto lenient = sim::Dop3dTrailingBytes::ignore;
  const auto from_file = record_of([&] { return sim::read_dop3d(scratch_file(), lenient); });
  const auto from_bytes = record_of([&] { return sim::decode_dop3d(bytes, lenient); });
  if (from_file != from_bytes) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    sim::decode_dop3d_header(bytes);
  } catch (const sim::Dop3dError&) {
  }
  check_round_trip(bytes, sim::Dop3dTrailingBytes::refuse);
  check_round_trip(bytes, sim::Dop3dTrailingBytes::ignore);
  check_file_reader(bytes);
  return 0;
}
