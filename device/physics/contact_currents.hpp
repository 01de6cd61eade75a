#pragma once
// Terminal currents of the electrodes from the edge current densities that
// the continuity solve leaves, and how well they balance.
#include <cstddef>
#include <span>

#include "device/run_state.hpp"

namespace devora {

// Current of electrode e (0-based): the net flux out of the half cells under
// the electrode, times I0. JX and JY are edge current densities (node n =
// i + j*NX; JX on the edge to n+1, JY on the edge to n+NX, positive into the
// device). A top electrode collects WX*JY of row 0 over its columns, a
// bottom one -WX*JY of the last y edge row; either adds the lateral flux
// through the sides of its end columns, where a neighbouring column exists.
// A gate, and an electrode that covers no mesh column, carry 0.
double CURCONT(const DeviceRun& run, std::size_t e, std::span<const double> JX, std::span<const double> JY);

// Conservation measure |sum I| / sum |I| (0 when every current is 0) and the
// largest |I|.
struct CurrentBalance {
  double CONS = 0.0;
  double IMAX = 0.0;
};

// I(e) := CURCONT(e) for every electrode e < NEL (I must have room for NEL
// entries; entries past NEL are left alone).
CurrentBalance CURRENTS(const DeviceRun& run, std::span<const double> JX, std::span<const double> JY,
                        std::span<double> I);

}  // namespace devora
