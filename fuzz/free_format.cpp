// Fuzz target: the numeric text reader of the mesh, profile and spectrum
// files. The first input byte chooses the real type (its lowest bit) and
// where in a fixed schedule of READ sizes the run starts; the rest is the
// text, read READ after READ until the end of the file. A value the reader
// accepts must be finite, and it never stores more values than asked for.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "common/free_format.hpp"

namespace {

// Values per READ; 0 skips a whole record (a header line).
constexpr std::array<std::size_t, 12> kReadSizes = {1, 2, 0, 6, 3, 1, 1, 4, 0, 2, 9, 5};

template <class Real>
void read_all(std::istream& text, std::size_t start) {
  sim::FreeFormatReader reader(text);
  for (std::size_t n = start;; ++n) {
    const std::size_t count = kReadSizes[n % kReadSizes.size()];
    if (count == 0) {
      if (!reader.skip_record()) return;
      continue;
    }
    std::vector<Real> values(count, Real{0});
    const sim::FreeReadStatus status = reader.read(std::span<Real>(values));
    if (reader.values_read() > count) std::abort();
    for (std::size_t i = 0; i < reader.values_read(); ++i)
      if (!std::isfinite(values[i])) std::abort();
    if (status == sim::FreeReadStatus::end_of_file) return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned control = data[0];
  std::istringstream text(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  const std::size_t start = (control >> 1) % kReadSizes.size();
  if (control & 1u) read_all<float>(text, start);
  else read_all<double>(text, start);
  return 0;
}
