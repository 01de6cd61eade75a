// Fuzz target: the input is the bytes of a field file, decoded with both
// treatments of bytes after the record, and the header alone. A malformed
// record must end in Dop3dError, with nothing allocated beyond what the bytes
// can hold. A record that decodes must encode back to the same bytes (for
// the lenient decoder: to the bytes it read); a mismatch, or the encoder
// refusing a decoded file, is a fault and aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    sim::decode_dop3d_header(bytes);
  } catch (const sim::Dop3dError&) {
  }
  check_round_trip(bytes, sim::Dop3dTrailingBytes::refuse);
  check_round_trip(bytes, sim::Dop3dTrailingBytes::ignore);
  return 0;
}
