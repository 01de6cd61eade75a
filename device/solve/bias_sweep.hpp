#pragma once
// The bias sweep of one I-V curve.
#include <cstddef>

#include "device/run_state.hpp"

namespace devora {

// Steps the ramped electrode of curve c (0-based) by the curve's voltage
// step from the solution the solution driver left, solves every point with
// GUMMEL after a guess (CONTGUESS; with SOLV CNTN from the third point on
// the extrapolation CONSTE), and records every point in the I-V results at
// run.IVCOUNT: voltages, currents and Gummel status, and towards the next
// point the transconductances, the mean ramped voltage and the differential
// resistance. A curve whose step is 0 has transconductances 0.
void CURVE(DeviceRun& run, std::size_t c);

}  // namespace devora
