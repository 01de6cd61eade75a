#pragma once
// Spectrum files: a header line, then one spectral line per record of six
// free-format numbers (wavelength, power, absorption, transmission, back and
// front reflectance).
#include <array>
#include <istream>
#include <string>

#include "common/console.hpp"
#include "common/free_format.hpp"

namespace devora {

using SpectralLine = std::array<double, 6>;

// Reads the next six numbers as one free-format READ: separated by blanks,
// commas or line ends (a record with fewer continues on the next one; what
// follows the sixth number in its record is skipped). False at the end of
// the file or at a field that is not a number.
bool read_spectral_line(sim::FreeFormatReader& reader, SpectralLine& line);
bool read_spectral_line(std::istream& in, SpectralLine& line);

// SPCOUNT: counts the spectral lines of a spectrum file (80 characters,
// blank padded) up to its end or its first record that is not six numbers,
// and reports the count on the console. A file that cannot be opened stops
// the run.
int SPCOUNT(sim::Console& console, const std::string& file_name);

}  // namespace devora
