#pragma once
// The spectra of the light sources: every source's spectrum file read into
// its block of the spectral-line table and converted to internal units.
#include <cstddef>
#include <span>

#include "device/run_state.hpp"

namespace devora {

// Columns of one line of the spectral-line table (six reals per line).
enum SpectralColumn : std::size_t {
  kWavelength = 0,        // nm, kept as read
  kPhotonFlux = 1,        // power as read; photon flux of the line once converted
  kAbsorption = 2,        // alpha in cm-1 as read; per Debye length once converted
  kTransmission = 3,      // into the device; times the source's TRAN once converted
  kBackReflectance = 4,   // times REFL once converted
  kFrontReflectance = 5,  // times TRFL once converted
  kSpectralColumns = 6,
};

// The block of source `source` (0-based) in the spectral-line table: NSPC
// lines of six reals, the sources' blocks following one another in order.
std::span<const double> source_lines(const LSRCTAB& sources, std::size_t source);

// RDSPECT: for every light source, divides its window XLFT, XRGT, YTOP,
// YBOT by LDUM and reads its NSPC counted lines (after the header record)
// into its block, converted: the power becomes the photon flux in units of
// G0*LD (with FLUX > 0 the powers are relative weights sharing FLUX), the
// absorption coefficient is taken per Debye length, and transmission and
// reflectances are multiplied by TRAN, REFL and TRFL. Runs once, after
// SCALSET (the conversions are in place). A file that cannot be opened, a
// counted line that is not six numbers, or zero total weight with FLUX > 0
// stops the run with " Check spectrum file " and the file name.
void RDSPECT(DeviceRun& run);

}  // namespace devora
