#pragma once
// Material constants and the internal units of the device simulator:
// potentials in thermal voltages, densities in units of the intrinsic
// density, lengths in intrinsic Debye lengths, times in Debye length squared
// over 1 cm2/s.
#include "device/run_state.hpp"

namespace devora {

// Silicon constants and every scale of SCALE from the band parameters, and
// the in-place conversion of the band, recombination, mobility, tunnelling
// and quantum-correction parameters. Called by SCALSET only. Stops on a
// MODE BBTL outside 0..2 and on tunnelling parameters of the selected model
// that would make its rates infinite (MODE BBTL = 2: 0 < EPHS < EG).
void MATPAR(DeviceRun& run);

// Converts every deck value to internal units, in place: MATPAR, then the
// electrodes, boxes, regions, mesh sizes, curve voltages, ionisation
// parameters (negative critical fields are refused when MODE IMPI is on)
// and the generation floor. A deck whose mesh is to be regridded (MESH 2, 3
// or 4 with SOLV IGRM >= 1) must have SOLV SMTH > 1. The conversions are not idempotent,
// so a second call on the same run is refused (std::logic_error).
void SCALSET(DeviceRun& run);

// The regridding smooths until neighbouring line densities differ by a
// ratio below SMTH; such a ratio is never below 1, so SMTH <= 1 (or not a
// number) could never be met and is refused with a message.
void check_regrid_smoothing(double smth);

}  // namespace devora
