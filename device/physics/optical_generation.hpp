#pragma once
// Optical generation: the electron-hole generation rate of the generation
// boxes and of the light sources, absorbed along their direction by the
// Beer-Lambert law with reflections at the back and front surfaces, and the
// integral of a node quantity over a window of the device. Rates in G0,
// lengths in Debye lengths.
#include <span>
#include <string_view>

#include "device/run_state.hpp"

namespace devora {

// Mesh axis along which ABSORB follows the light.
enum class LightAxis { y = 1, x = 2 };

// ABSORB: photons absorbed per unit cell width at the nodes of one axis
// (coordinates c, increasing), for every light source: out[l*n + i] for
// source l and node i, n = c.size(), out holding n values per source. A
// source that acts along the other axis only gives 0, and so does a node
// outside the source's window along this axis, or a zero-width cell. The
// spectral lines must be converted (RDSPECT).
void ABSORB(std::span<double> out, LightAxis axis, std::span<const double> c, const LSRCTAB& sources);

// GENRATE: fills run.models.GOPT with the generation rate on the current
// mesh: the sum of the generation boxes (text profiles of rates divided by
// G0) and of the light sources, each source's row values added across its
// x window and its column values across its y window. `scratch` is a
// node-sized work array of the caller; its content is lost.
void GENRATE(DeviceRun& run, std::span<double> scratch);

// INTEGPR: factor * sum of WX(i)*WY(j)*F(n) over the nodes with
// xlo <= X(i) <= xhi and ylo <= Y(j) <= yhi (bounds included); writes the
// console line "Integral of " + name (20 characters) + " " + the value, and
// returns the value.
double INTEGPR(const DeviceRun& run, std::span<const double> F, double xlo, double xhi, double ylo, double yhi,
               double factor, std::string_view name);

// Factor of the generation integral printed after the zero-bias solution
// (quantity "e-h generation rate"): LD^2 * G0 * ZZ * Q.
double generation_integral_factor(const DeviceRun& run);

}  // namespace devora
