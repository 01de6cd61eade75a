#pragma once
// Band-to-band tunnelling generation where the electric field is high.
#include <span>

#include "device/run_state.hpp"

namespace devora {

// Tunnelling rates of MODE BBTL from the field of run.nodes.PSI and the
// carrier densities, into run.models:
//   BBTL = 1, local model:  GBB = BBA E^2 exp(-BBE/E), CBB = 0;
//   BBTL = 2, phonon-assisted model written as CBB*X, so that the
//             continuity solve can take it implicitly: GBB = -CBB*X.
// XBB = n/(n + ni) - ni/(p + ni) in both modes (negative: net generation).
// With BBTL = 0 nothing is touched. EXW and EYW (one entry per node) are
// the caller's storage for the potential gradient.
void BBTGEN(DeviceRun& run, std::span<double> EXW, std::span<double> EYW);

}  // namespace devora
