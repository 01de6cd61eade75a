#include "device/setup/spectrum_count.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "common/deck_reader.hpp"
#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/fortran_format.hpp"

namespace devora {

namespace {

// One free-format number; "D" exponents are read like "E".
bool parse_field(std::string field, double& value) {
  std::replace(field.begin(), field.end(), 'D', 'E');
  std::replace(field.begin(), field.end(), 'd', 'e');
  return sim::convert_number_field(field, value);
}

}  // namespace

bool read_spectral_line(std::istream& in, SpectralLine& line) {
  std::size_t filled = 0;
  std::string record;
  while (filled < line.size()) {
    if (!std::getline(in, record)) return false;
    std::replace(record.begin(), record.end(), ',', ' ');
    std::replace(record.begin(), record.end(), '\t', ' ');
    std::replace(record.begin(), record.end(), '\r', ' ');
    std::istringstream fields(record);
    std::string field;
    while (filled < line.size() && fields >> field)
      if (!parse_field(field, line[filled++])) return false;
  }
  return true;
}

int SPCOUNT(sim::Console& console, const std::string& file_name) {
  const std::string name = sim::fixed(file_name, sim::kTextWidth);
  std::ifstream in{std::string(sim::rtrim(name))};
  if (!in) sim::ERRSTOP(" Check spectrum file " + name + "Press <Enter> to continue");
  std::string header;
  std::getline(in, header);
  int count = 0;
  SpectralLine line{};
  while (read_spectral_line(in, line)) ++count;
  console.out << sim::ftn::ListLine().add("Spectrum file").add(name).add(" number of lines ").add(count).str()
              << '\n';
  return count;
}

}  // namespace devora
