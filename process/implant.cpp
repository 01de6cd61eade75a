#include "process/implant.hpp"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <vector>

#include "common/fatal_stop.hpp"
#include "process/erfca.hpp"

namespace tavik {
namespace {

const float kSqrt2 = std::sqrt(2.0f);

// Thickness of the oxide over a column from the silicon it consumed.
float oxide_thickness(float ysurf) { return ysurf / 0.44f; }

float gaussian(float u, float Rp, float dRp) {
  const float z = (u - Rp) / (kSqrt2 * dRp);
  return std::exp(-(z * z));
}

// Simpson's rule over one panel [a, a + h].
float simpson_panel(float a, float h, float Rp, float dRp) {
  return h / 6.0f *
         (gaussian(a, Rp, dRp) + 4.0f * gaussian(a + h / 2.0f, Rp, dRp) + gaussian(a + h, Rp, dRp));
}

// Share of the Gaussian integral over [u0, u0 + steps*h] that lies in
// [u0, u0 + depth]: whole panels up to the last one inside, plus a partial
// panel of the remaining width.
float gaussian_fraction(float u0, float h, int steps, float depth, float Rp, float dRp) {
  if (!(depth > 0.0f) || !(h > 0.0f)) return 0.0f;
  const float q = depth / h;
  const int whole = q >= float(steps) ? steps : int(q);
  float total = 0.0f, inside = 0.0f;
  for (int k = 0; k < steps; ++k) {
    const float panel = simpson_panel(u0 + float(k) * h, h, Rp, dRp);
    total += panel;
    if (k < whole) inside += panel;
  }
  const float rest = depth - float(whole) * h;
  if (whole < steps && rest > 0.0f) inside += simpson_panel(u0 + float(whole) * h, rest, Rp, dRp);
  if (!(total > 0.0f)) return 0.0f;
  return std::min(inside / total, 1.0f);
}

// Fraction of the dose stopped in the oxide over column i.
float oxide_stopped_fraction(const ProcessMesh& m, int i, float tox, const Moments& ox) {
  if (m.ISURF[i - 1] < 2) return 0.0f;
  const float reach = ox.Rp + 6.0f * ox.dRp;
  if (tox >= reach) return 1.0f;
  return gaussian_fraction(0.0f, reach / float(3 * m.NY), 3 * m.NY, tox, ox.Rp, ox.dRp);
}

// Fraction of the dose entering the silicon that stays within the mesh depth.
float inside_mesh_fraction(const ProcessMesh& m, int i, float teq, const Moments& si) {
  const float depth = m.Y[m.NY - 1] - m.YSURF[i - 1];
  const float reach = si.Rp + 6.0f * si.dRp;
  if (teq + depth >= reach) return 1.0f;
  return gaussian_fraction(teq, (reach - teq) / float(3 * m.NY), 3 * m.NY, depth, si.Rp, si.dRp);
}

// Silicon part of the cell of row j in column i: the whole control width
// below the surface row; from the surface down to the lower cell face in
// the surface row (to the last mesh line when that is the surface row, which
// has no cell face below it).
float silicon_width(const ProcessMesh& m, int i, int j) {
  const int js = m.ISURF[i - 1];
  if (j > js) return m.wy[j - 1];
  const float half_below = j < m.NY ? (m.Y[j] - m.Y[j - 1]) / 2.0f : 0.0f;
  return half_below + m.Y[j - 1] - m.YSURF[i - 1];
}

std::vector<float>& concentration(ProcessMesh& m, int dopant) {
  switch (dopant) {
    case 1: return m.CPHOS;
    case 2: return m.CBOR;
    case 3: return m.CARS;
  }
  sim::stop_at_once(" Unknown dopant code for an implant or deposition");
}

bool usable(const Moments& m, bool lateral) {
  const bool vertical = std::isfinite(m.Rp) && std::isfinite(m.dRp) && m.Rp > 0.0f && m.dRp > 0.0f;
  return vertical && (!lateral || (std::isfinite(m.dRl) && m.dRl > 0.0f));
}

// The implant on a flat surface: one depth profile, laterally weighted per
// column by the window through the mask edge.
void implant_1d(const ImplantStep& step, ProcessMesh& m, std::span<float> C, const Moments& si,
                const Moments& ox, float D, float k, float A) {
  std::span<float> W(m.W.data(), std::size_t(m.NY));
  PROFSHP(1, false, si, ox, m, W);
  const float s = step.XM > 0.0f ? 1.0f : -1.0f;
  for (int i = 1; i <= m.NX; ++i) {
    const float x = m.X[i - 1];
    const float L = ERFCUT(k * (A + x)) - ERFCUT(k * s * (x - A));
    for (int j = 1; j <= m.NY; ++j) C[m.node(i, j)] += D * W[j - 1] * L;
  }
}

// The implant when some surface lies below the top row: every source
// column has its own depth profile (oxide over it), spread laterally from
// its cell [xl, xr]; cells end at the mask edge and the outer ones reach
// 50 lateral straggles beyond the mesh.
void implant_2d(const ImplantStep& step, ProcessMesh& m, std::span<float> C, const Moments& si,
                const Moments& ox, float D, float k, float A) {
  std::span<float> W(m.W.data(), std::size_t(m.NY));
  std::vector<float> lateral(std::size_t(m.NX));
  const std::vector<float>& X = m.X;
  for (int i = 1; i <= m.NX; ++i) {
    const float xi = X[i - 1];
    float a = 50.0f * si.dRl;
    if (i > 1) {
      a = (xi - X[i - 2]) / 2.0f;
      if (X[i - 2] <= A && A < xi) a = xi - A;
    }
    float b = 50.0f * si.dRl;
    if (i < m.NX) {
      b = (X[i] - xi) / 2.0f;
      if (xi <= A && A < X[i]) b = A - xi;
    }
    const float xl = xi - a, xr = xi + b;
    // A column on the mask edge itself counts as covered.
    const bool masked = (step.XM > 0.0f && xi >= A) || (step.XM < 0.0f && xi <= A);
    PROFSHP(i, masked, si, ox, m, W);
    if (masked) continue;  // the mask stops the whole dose of this cell
    for (int c = 1; c <= m.NX; ++c)
      lateral[c - 1] = ERFCUT(k * (X[c - 1] - xl)) - ERFCUT(k * (X[c - 1] - xr));
    for (int j = 1; j <= m.NY; ++j)
      for (int c = 1; c <= m.NX; ++c) C[m.node(c, j)] += D * W[j - 1] * lateral[c - 1];
  }
}

void implant(ImplantStep& step, ProcessMesh& m, std::span<float> C, sim::Console& console) {
  const Moments si = IMPMOM(step.EN, step.dopant, Material::silicon);
  const Moments ox = IMPMOM(step.EN, step.dopant, Material::oxide);
  if (step.XM == 0.0f && step.XD != 0.0f) return;  // source only
  if (!usable(si, true) || !usable(ox, false))
    sim::ERRSTOP(" Implant energy EN outside the range of the moment tables");
  if (step.XM == 0.0f) step.XM = 50.0f * si.dRl + m.X[m.NX - 1];
  // Dose times a profile per micron gives half the concentration in
  // 1e20 cm-3; the lateral factors run from 0 to 2.
  const float D = step.DZ * 5e-17f;
  const float k = 1.0f / (kSqrt2 * si.dRl);
  const float A = std::abs(step.XM);
  if (m.JSMAX <= 1) {
    implant_1d(step, m, C, si, ox, D, k, A);
  } else {
    console.out << "Evaluating 2D implantation profiles\n";
    implant_2d(step, m, C, si, ox, D, k, A);
  }
  std::fill_n(m.W.begin(), m.NY, 0.0f);
}

}  // namespace

void PROFSHP(int i, bool masked, const Moments& silicon, const Moments& oxide,
             const ProcessMesh& m, std::span<float> W) {
  std::fill(W.begin(), W.begin() + m.NY, 0.0f);
  if (masked) return;
  const float tox = oxide_thickness(m.YSURF[i - 1]);
  const float f_ox = oxide_stopped_fraction(m, i, tox, oxide);
  const float teq = tox * silicon.Rp / oxide.Rp;
  const float f_in = inside_mesh_fraction(m, i, teq, silicon);
  // The Gaussian on every row, the rows above the surface included (the
  // step's surface fill overwrites them in this column); normalised over the
  // silicon cells only.
  for (int j = 1; j <= m.NY; ++j) {
    const float z = (m.Y[j - 1] - m.YSURF[i - 1] + teq - silicon.Rp) / (kSqrt2 * silicon.dRp);
    W[j - 1] = std::exp(-(z * z));
  }
  float S = 0.0f;
  for (int j = m.ISURF[i - 1]; j <= m.NY; ++j) S += W[j - 1] * silicon_width(m, i, j);
  // No silicon cell holds any of the Gaussian: the rows above the surface
  // would be divided by the bare 1e-20 and receive an unbounded dose.
  if (!(S > 0.0f)) {
    std::fill(W.begin(), W.begin() + m.NY, 0.0f);
    return;
  }
  const float scale = (1.0f - f_ox) * f_in;
  for (int j = 1; j <= m.NY; ++j) W[j - 1] = scale * W[j - 1] / (S + 1e-20f);
}

void surface_source(const ProcessMesh& m, std::span<float> C, float XD, float CS) {
  for (int i = 1; i <= m.NX; ++i) {
    const float x = m.X[i - 1];
    if ((XD > 0.0f && x < XD) || (XD < 0.0f && x > std::abs(XD))) C[m.node(i, 1)] = CS;
  }
}

void PROFIL2D(ImplantStep& step, ProcessMesh& mesh, sim::Console& console) {
  if (!mesh.allocated) sim::ERRSTOP(" MESH statement missing: no mesh to work on");
  std::vector<float>& C = concentration(mesh, step.dopant);
  if (step.kind == ImplantKind::implant) implant(step, mesh, C, console);
  surface_source(mesh, C, step.XD, step.CS);
}

}  // namespace tavik
