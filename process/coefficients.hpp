#pragma once
// Temperature-dependent coefficients of a thermal step, in 4-byte reals:
// dopant diffusivities, intrinsic density, segregation at the oxide
// interface, oxidation-enhanced diffusion (OED), the linear-parabolic oxide
// growth and the shape of the oxide edge under a mask.
//
// Units: temperature in kelvin, lengths in microns, times in seconds,
// concentrations in 1e20 cm-3, diffusivities in um2/s.
#include <cmath>
#include <span>

#include "process/process_blocks.hpp"

namespace tavik {

// The model blocks the coefficients are computed from.
struct ModelBlocks {
  const BNDCON& band;
  const DIFCON& diff;
  const OEDCON& oed;
  const OXDCON& drox;
  const WETCON& weox;
  const LOCCON& loco;
  const SEGCON& segr;
};

// Coefficients of one thermal step (fixed by its temperature).
struct StepCoefficients {
  float D_As = 0, beta_As = 0;      // arsenic
  float D_B = 0, beta_B = 0;        // boron
  float D_P0 = 0, D_P1 = 0, D_P2 = 0;  // phosphorus: neutral, single, double charge
  float ni = 0, rni = 0;            // intrinsic density and its reciprocal
  float g_As = 0, g_P = 0, g_B = 0; // segregation factors 1 - 1/(0.44 m)
  float lambda_B = 0;               // boron transport coefficient at the interface
  float O_As = 0, O_B = 0, O_P = 0; // OED coefficients
  float A_half = 0, B = 0;          // linear-parabolic constants A/2 (um), B (um2/s)
};

// Dopant codes of DOPSEL (not those of the deck statements).
inline constexpr int kSelArsenic = 1, kSelBoron = 2, kSelPhosphorus = 3;

// Working parameters of the dopant being solved.
struct DopantParams {
  int code = kSelArsenic;
  float D0 = 0;                   // intrinsic diffusivity
  float beta = 0, r = 1;          // arsenic, boron: charged share, r = 1/(1+beta)
  float r1 = 0, r2 = 0;           // phosphorus: D_P1/D_P0, D_P2/D_P0
  float c1 = 1, c2 = 1, c3 = -1;  // charge signs of own, other 1, other 2
  float ni = 0, rni = 0;
  float g = 0;                    // segregation factor
  float lambda = 1;               // interface transport coefficient
  float oed = 0;                  // OED coefficient times the growth-rate factor
  float sigma = 0;                // 1 for boron, 0 otherwise
};

// Oxide thickness and edge shape at a time of an oxidation.
struct OxideShape {
  float x_ox = 0;   // oxide thickness
  float delta = 0;  // edge offset
  float gamma = 0;  // edge width
};

// Smallest edge width of the oxide edge: a non-positive width from the
// LOCO parameters would make the edge a division by zero.
inline constexpr float kMinimumEdgeWidth = 1e-6f;

// Coefficients at temperature T for orientation OR, oxidation kind OX
// (0 none, 1 dry, other wet) and oxidant pressure POX.
StepCoefficients COEFFT(float T, int OR, int OX, float POX, const ModelBlocks& m);

// Diffusivity and signs of dopant `code`; g, lambda, oed and sigma are set
// by the caller.
DopantParams DOPSEL(int code, const StepCoefficients& k);

// Face diffusivity Dc and cross coefficient Dx through the net doping.
struct FaceDiffusivity {
  float Dc = 0;
  float Dx = 0;
};

// Concentration-dependent diffusivity of the selected dopant at one point
// with own and other concentrations and OED factor L.
inline FaceDiffusivity NIFACT(float own, float other1, float other2, float L,
                              const DopantParams& p) {
  const float N = p.c1 * own + p.c2 * other1 + p.c3 * other2;
  const float s = std::sqrt(N * N + 4.0f * (p.ni * p.ni));
  const float e = p.c1 > 0.0f ? (s + N) / 2.0f : (s - N) / 2.0f;
  // Without an intrinsic density (a temperature far below any process
  // step) the carrier ratio e/ni is undefined: take its intrinsic value 1.
  const bool intrinsic = !(p.ni > 0.0f);
  float f;
  if (p.code == kSelPhosphorus) {
    const float u = intrinsic ? 1.0f : e / p.ni;
    f = 1.0f + p.r1 * u + p.r2 * (u * u);
  } else {
    f = intrinsic ? (1.0f + p.beta) * p.r : (1.0f + p.beta * e / p.ni) * p.r;
  }
  const float D_eff = p.oed * L + p.D0 * f;
  // s vanishes only with no doping and an intrinsic density that underflowed.
  if (!(s > 0.0f)) return {D_eff, 0.0f};
  return {D_eff * (1.0f + own / s), -p.c1 * D_eff * own / s};
}

// Oxide thickness at time t of an oxidation grown from U0, and the edge
// offset and width at that thickness. Zero when the step does not oxidise.
OxideShape LOCOSHP(float t, float T, float U0, int OR, const StepCoefficients& k,
                   const LOCCON& loco);

// Silicon consumed at lateral position x with the mask edge XO (XO >= 0:
// mask over x > XO; XO < 0: mask over x < |XO|).
float LOCOERF(float x, float XO, float U0, const OxideShape& shape);

// OED factor of every node: 1 in the oxidation window at the surface,
// decaying under the mask (length OELX) and into the depth (length OELY).
void OEDLAT(float XO, int NX, int NY, std::span<const float> x, std::span<const float> y,
            std::span<const float> y0, const OEDCON& oed, std::span<float> L);

}  // namespace tavik
