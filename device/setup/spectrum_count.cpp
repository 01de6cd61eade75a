#include "device/setup/spectrum_count.hpp"

#include <fstream>
#include <span>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/fortran_format.hpp"
#include "common/line_input.hpp"

namespace devora {

bool read_spectral_line(sim::FreeFormatReader& reader, SpectralLine& line) {
  return reader.read(std::span<double>(line)) == sim::FreeReadStatus::ok;
}

bool read_spectral_line(std::istream& in, SpectralLine& line) {
  // Every READ starts on a fresh record, so a reader of its own per line
  // reads exactly what one reader over the whole file would.
  sim::FreeFormatReader reader(in);
  return read_spectral_line(reader, line);
}

int SPCOUNT(sim::Console& console, const std::string& file_name) {
  const std::string name = sim::fixed(file_name, sim::kTextWidth);
  std::ifstream in = sim::open_data_file(std::string(sim::rtrim(name)));
  if (!in) sim::ERRSTOP(" Check spectrum file " + name + "Press <Enter> to continue");
  sim::FreeFormatReader reader(in);
  reader.skip_record();  // header line
  int count = 0;
  SpectralLine line{};
  while (read_spectral_line(reader, line)) ++count;
  console.out << sim::ftn::ListLine().add("Spectrum file").add(name).add(" number of lines ").add(count).str()
              << '\n';
  return count;
}

}  // namespace devora
