#include "device/setup/spectra.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <string>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/free_format.hpp"
#include "common/line_input.hpp"
#include "device/setup/spectrum_count.hpp"

namespace devora {

namespace {

std::size_t index(int n) { return static_cast<std::size_t>(n); }

std::size_t first_line_of(const LSRCTAB& s, std::size_t source) {
  std::size_t first = 0;
  for (std::size_t l = 0; l < source; ++l) first += index(s.NSPC[l]);
  return first;
}

std::span<double> source_block(LSRCTAB& s, std::size_t source) {
  return std::span<double>(s.spectral_lines)
      .subspan(first_line_of(s, source) * kSpectralColumns, index(s.NSPC[source]) * kSpectralColumns);
}

[[noreturn]] void spectrum_stop(const std::string& file_name) {
  sim::ERRSTOP(" Check spectrum file " + sim::fixed(file_name, sim::kTextWidth));
}

void scale_window(LSRCTAB& s, std::size_t source, double ldum) {
  for (double* v : {&s.XLFT[source], &s.XRGT[source], &s.YTOP[source], &s.YBOT[source]}) *v /= ldum;
}

// Reads the counted lines of the source's file into its block, as read;
// returns the sum of their powers.
double read_block(const std::string& file_name, std::span<double> block) {
  std::ifstream in = sim::open_data_file(std::string(sim::rtrim(file_name)));
  if (!in) spectrum_stop(file_name);
  sim::FreeFormatReader reader(in);
  reader.skip_record();  // header line
  double weight = 0.0;
  for (std::size_t first = 0; first < block.size(); first += kSpectralColumns) {
    SpectralLine line{};
    if (!read_spectral_line(reader, line)) spectrum_stop(file_name);
    std::copy(line.begin(), line.end(), block.begin() + static_cast<std::ptrdiff_t>(first));
    weight += line[kPhotonFlux];
  }
  return weight;
}

// Factor from a line's column-2 value to its power in internal units
// (G0 * LD): with FLUX > 0 the lines share FLUX in proportion to their
// weights, otherwise each value is the line's power. A positive flux needs
// lines to share it: a file with no usable line, a zero total weight or one
// so small that the share overflows stops the run.
double power_scale(const DeviceRun& run, std::size_t source, double weight, bool has_lines) {
  const double flux = run.lsrctab.FLUX[source];
  if (flux <= 0.0) return 1.0 / run.scale.G0 / run.scale.LD;
  const double share = flux / weight;
  if (!has_lines || !std::isfinite(share)) spectrum_stop(run.lsrctab.SFIL[source]);
  return share / run.scale.G0 / run.scale.LD;
}

// Power to photons with E = h c 1e9 / lambda (lambda in nm); a zero
// wavelength has an infinite photon energy and gives no photons.
void convert_block(const DeviceRun& run, std::size_t source, double scale, std::span<double> block) {
  const LSRCTAB& s = run.lsrctab;
  const double hc = run.scale.HPL * run.scale.CLIGHT * 1e9;
  for (std::size_t first = 0; first < block.size(); first += kSpectralColumns) {
    std::span<double> line = block.subspan(first, kSpectralColumns);
    line[kPhotonFlux] = scale * line[kPhotonFlux] / (hc / line[kWavelength]);
    line[kAbsorption] *= run.scale.LD;
    line[kTransmission] *= s.TRAN[source];
    line[kBackReflectance] *= s.REFL[source];
    line[kFrontReflectance] *= s.TRFL[source];
  }
}

}  // namespace

std::span<const double> source_lines(const LSRCTAB& sources, std::size_t source) {
  return std::span<const double>(sources.spectral_lines)
      .subspan(first_line_of(sources, source) * kSpectralColumns, index(sources.NSPC[source]) * kSpectralColumns);
}

void RDSPECT(DeviceRun& run) {
  if (!run.scaled) throw std::logic_error("RDSPECT: the deck values are not yet in internal units");
  LSRCTAB& s = run.lsrctab;
  if (s.NLSRC <= 0) return;
  if (first_line_of(s, index(s.NLSRC)) * kSpectralColumns != s.spectral_lines.size())
    throw std::logic_error("RDSPECT: the spectral-line table does not match the line counts");
  for (std::size_t l = 0; l < index(s.NLSRC); ++l) {
    scale_window(s, l, run.scale.LDUM);
    const std::span<double> block = source_block(s, l);
    const double weight = read_block(s.SFIL[l], block);
    convert_block(run, l, power_scale(run, l, weight, !block.empty()), block);
  }
}

}  // namespace devora
