#include "process/coefficients.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "process/erfca.hpp"

namespace tavik {
namespace {

// Inverse thermal energy in 1/eV.
constexpr float kKelvinPerEv = 11605.0f;
// Conversion of diffusivities from cm2/s to um2/s.
constexpr float kCm2ToUm2 = 1e8f;
// Silicon consumed per unit of oxide grown.
constexpr float kSiliconPerOxide = 0.44f;

// exp(a) held finite: deck parameters with the wrong sign must not turn an
// Arrhenius factor into infinity (e^40 leaves room for the prefactors).
float bounded_exp(float a) {
  constexpr float kLargestArgument = 40.0f;
  return std::exp(std::min(a, kLargestArgument));
}

// 1 - 1/(0.44 m), the share of the consumed dopant that stays in the silicon.
float segregation_factor(float m) { return 1.0f - 1.0f / (kSiliconPerOxide * m); }

float boron_segregation(int OR, int OX, float q, const SEGCON& s) {
  if (OX == 0) return 1.0f / kSiliconPerOxide;
  if (OX == 1) return s.SGBD * bounded_exp(-(s.SBDE * q));
  // Wet oxidation; orientations other than 111 take the 100 value.
  const float m0 = is_orientation_111(OR) ? s.SBW1 : s.SBW0;
  return m0 * bounded_exp(-(s.SBWE * q));
}

// Deal-Grove constants B and B/A of the oxidation.
void oxidation_constants(float T, int OR, int OX, float POX, float q, const ModelBlocks& m,
                         StepCoefficients& k) {
  k.A_half = 0.0f;
  k.B = 0.0f;
  if (OX == 0) return;
  const float kor = is_orientation_111(OR) ? m.weox.OR1 : m.weox.OR0;
  float B = 0.0f, BA = 0.0f;
  if (is_dry_oxidation(OX)) {
    const float Pp = POX > 1.0f ? std::pow(POX, m.drox.BPF) : POX;
    B = m.drox.BD * POX * bounded_exp(-(m.drox.BDE * q));
    BA = kor * Pp * m.drox.BAD * bounded_exp(-(m.drox.BADE * q));
  } else {
    B = T < m.weox.TCP + 273.0f ? POX * m.weox.BW1 * bounded_exp(-(m.weox.BWE1 * q))
                                : POX * m.weox.BW2 * bounded_exp(-(m.weox.BWE2 * q));
    BA = T < m.weox.TCL + 273.0f ? kor * POX * m.weox.BAW1 * bounded_exp(-(m.weox.BAE1 * q))
                                 : kor * POX * m.weox.BAW2 * bounded_exp(-(m.weox.BAE2 * q));
  }
  // Without a positive linear rate nothing grows (and A/2 would be infinite).
  if (!(BA > 0.0f) || !(B > 0.0f)) return;
  k.B = B;
  k.A_half = 0.5f * B / BA;
}

}  // namespace

StepCoefficients COEFFT(float T, int OR, int OX, float POX, const ModelBlocks& m) {
  StepCoefficients k;
  const float q = kKelvinPerEv / T;
  const DIFCON& d = m.diff;
  k.D_As = d.DX0A * bounded_exp(-(d.DXEA * q)) * kCm2ToUm2;
  k.beta_As = d.BETA;
  k.D_B = d.DX0B * bounded_exp(-(d.DXEB * q)) * kCm2ToUm2;
  k.beta_B = d.BETB;
  k.D_P0 = d.DX0P * bounded_exp(-(d.DXEP * q)) * kCm2ToUm2;
  k.D_P1 = d.DMP * bounded_exp(-(d.DMEP * q)) * kCm2ToUm2;
  k.D_P2 = d.DMMP * bounded_exp(-(d.DMME * q)) * kCm2ToUm2;

  const BNDCON& b = m.band;
  k.ni = b.CINT / 1e20f * std::pow(T, b.EINT) * bounded_exp(-(b.EGAP * 0.5f * q));
  k.rni = k.ni > 0.0f ? 1.0f / k.ni : std::numeric_limits<float>::max();

  const SEGCON& s = m.segr;
  k.g_As = segregation_factor(s.SEGA);
  k.g_P = segregation_factor(s.SEGP);
  k.g_B = segregation_factor(boron_segregation(OR, OX, q, s));
  k.lambda_B = 0.44f * s.ALAM * bounded_exp(-(s.ELAM * q));

  const OEDCON& o = m.oed;
  const float E = bounded_exp(-(o.OEE * q));
  if (is_orientation_111(OR)) {
    k.O_As = o.OEA1 * 1e8f;
    k.O_B = o.OEB1 * 1e8f * E;
    k.O_P = o.OEP1 * 1e8f * E;
  } else {
    k.O_As = o.OEA0 * 1e8f;
    k.O_B = o.OEB0 * 1e8f * E;
    k.O_P = o.OEP0 * 1e8f * E;
  }

  oxidation_constants(T, OR, OX, POX, q, m, k);
  return k;
}

DopantParams DOPSEL(int code, const StepCoefficients& k) {
  DopantParams p;
  p.code = code;
  p.ni = k.ni;
  p.rni = k.rni;
  if (code == kSelBoron) {
    p.D0 = k.D_B;
    p.beta = k.beta_B;
    p.r = 1.0f / (1.0f + k.beta_B);
    p.c1 = -1.0f, p.c2 = 1.0f, p.c3 = 1.0f;
  } else if (code == kSelPhosphorus) {
    p.D0 = k.D_P0;
    // Near room temperature the Arrhenius factors underflow to 0; the
    // charged shares then vanish with the neutral one (instead of 0/0).
    p.r1 = k.D_P0 > 0.0f ? k.D_P1 / k.D_P0 : 0.0f;
    p.r2 = k.D_P0 > 0.0f ? k.D_P2 / k.D_P0 : 0.0f;
    p.c1 = 1.0f, p.c2 = -1.0f, p.c3 = 1.0f;
  } else {
    p.code = kSelArsenic;
    p.D0 = k.D_As;
    p.beta = k.beta_As;
    p.r = 1.0f / (1.0f + k.beta_As);
    p.c1 = 1.0f, p.c2 = 1.0f, p.c3 = -1.0f;
  }
  return p;
}

OxideShape LOCOSHP(float t, float T, float U0, int OR, const StepCoefficients& k,
                   const LOCCON& l) {
  OxideShape shape;
  const float chi = is_orientation_111(OR) ? l.KHI1 : l.KHI0;
  if (k.A_half == 0.0f && k.B == 0.0f) return shape;
  const float a = k.A_half + U0;
  shape.x_ox = -k.A_half + std::sqrt(a * a + k.B * t);
  // The oxidation statement keeps U0 at 0.03 um or more; the floor only
  // keeps the logarithm finite for a direct call with U0 <= 0.
  const float lnU0 = std::log(std::max(U0, std::numeric_limits<float>::min()));
  shape.delta = (l.DEL0 - l.DEL1 * T + l.DEL2 * lnU0) / (1.0f + 3.0f * chi) +
                (l.DEL3 - l.DEL4 * T - l.DEL5 * chi) * shape.x_ox;
  shape.gamma = (l.GAM0 - l.GAM1 * T + l.GAM2 * lnU0) / (1.0f + 3.0f * chi) +
                (l.GAM3 - l.GAM4 * T - l.GAM5 * chi) * shape.x_ox;
  return shape;
}

float LOCOERF(float x, float XO, float U0, const OxideShape& shape) {
  if (shape.x_ox == 0.0f) return 0.0f;
  const float gamma = std::max(shape.gamma, kMinimumEdgeWidth);
  const float u = XO >= 0.0f ? (x - XO - shape.delta) / gamma : (-x - XO - shape.delta) / gamma;
  return 0.22f * (shape.x_ox - U0) * ERFCA(u);
}

void OEDLAT(float XO, int NX, int NY, std::span<const float> x, std::span<const float> y,
            std::span<const float> y0, const OEDCON& oed, std::span<float> L) {
  for (int j = 1; j <= NY; ++j) {
    for (int i = 1; i <= NX; ++i) {
      float a = XO >= 0.0f ? (XO - x[i - 1]) / oed.OELX : (XO + x[i - 1]) / oed.OELX;
      float b = (y0[i - 1] - y[j - 1]) / oed.OELY;
      // Only distances under the mask and below the surface decay; a zero
      // decay length at zero distance (0/0) counts as no distance.
      a = a < 0.0f ? a : 0.0f;
      b = b < 0.0f ? b : 0.0f;
      L[std::size_t(i - 1) + std::size_t(j - 1) * std::size_t(NX)] = std::exp(a + b);
    }
  }
}

}  // namespace tavik
