#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "process/erfca.hpp"
#include "process/implant.hpp"
#include "process/implant_moments.hpp"
#include "process/mesh.hpp"

namespace {

using tavik::ImplantKind;
using tavik::ImplantStep;
using tavik::Material;
using tavik::ProcessMesh;

ProcessMesh make_mesh(int nx, int ny, float xx, float yy) {
  ProcessMesh m;
  tavik::MESHSET(m, nx, ny, 100);
  tavik::MESHGEN(m, 1, 0.0f, 0.0f, xx, yy);
  return m;
}

struct StepRunner {
  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  void apply(ImplantStep& step, ProcessMesh& m) { tavik::PROFIL2D(step, m, console); }
};

// Column dose in cm-2: the sum of C * wy over the silicon of column i
// (concentration in 1e20 cm-3, widths in microns).
double column_dose(const ProcessMesh& m, const std::vector<float>& C, int i) {
  double sum = 0;
  for (int j = 1; j <= m.NY; ++j) sum += double(C[m.node(i, j)]) * m.wy[j - 1];
  return sum * 1e20 * 1e-4;
}

ImplantStep implant(int dopant, float dose, float energy, float xm = 0.0f) {
  ImplantStep s;
  s.kind = ImplantKind::implant;
  s.dopant = dopant;
  s.DZ = dose;
  s.EN = energy;
  s.XM = xm;
  return s;
}

// Marks columns [first, last] as lying under an oxide of thickness tox (the
// silicon surface moved down by 0.44 tox, below the top row).
void oxidise(ProcessMesh& m, int first, int last, float tox) {
  for (int i = first; i <= last; ++i) {
    m.YSURF[i - 1] = 0.44f * tox;
    int js = 1;
    while (m.Y[js - 1] < m.YSURF[i - 1]) ++js;
    m.ISURF[i - 1] = js;
    m.JSMAX = std::max(m.JSMAX, js);
  }
}

// Fraction of a Gaussian (range rp, straggle drp) over [lo, rp + 6 drp]
// that lies in [lo, hi].
double gaussian_share(double rp, double drp, double lo, double hi) {
  const double s = std::sqrt(2.0) * drp;
  return (std::erf((hi - rp) / s) - std::erf((lo - rp) / s)) / (std::erf(6.0 / std::sqrt(2.0)) - std::erf((lo - rp) / s));
}

TEST(Erfca, MatchesTheComplementaryErrorFunction) {
  for (float x = -5.0f; x <= 5.0f; x += 0.0625f) {
    EXPECT_NEAR(tavik::ERFCA(x), std::erfc(double(x)), 3e-5) << x;
    EXPECT_NEAR(tavik::ERFCUT(x), std::erf(double(x)), 3e-5) << x;
    EXPECT_EQ(tavik::ERFCUT(-x), -tavik::ERFCUT(x)) << x;
  }
  EXPECT_NEAR(tavik::ERFCA(0.0f), 1.0f, 1e-6f);
  EXPECT_EQ(tavik::ERFCA(6.0f), 0.0f);
  EXPECT_EQ(tavik::ERFCA(-6.0f), 2.0f);
  EXPECT_EQ(tavik::ERFCUT(5.0f), 1.0f);
  EXPECT_EQ(tavik::ERFCUT(-5.0f), -1.0f);
  EXPECT_EQ(tavik::ERFCUT(4.6f), 1.0f);
  EXPECT_NEAR(tavik::ERFCUT(0.0f), 0.0f, 1e-6f);
}

TEST(Impmom, TableValuesAndInterpolation) {
  struct Case {
    float E;
    int dopant;
    Material mat;
    float Rp, dRp, dRl;
  };
  const Case cases[] = {
      {100.0f, 1, Material::silicon, 0.1298f, 0.0457f, 0.0398f},  // upper end of 80..100
      {1.0f, 2, Material::silicon, 0.0044f, 0.0036f, 0.0032f},
      {1000.0f, 3, Material::silicon, 0.5854f, 0.1421f, 0.1112f},
      {800.0f, 2, Material::oxide, 1.1863f, 0.0945f, 0.0f},
      {900.0f, 1, Material::silicon, (0.9631f + 1.1643f) / 2, (0.1752f + 0.192f) / 2, (0.1929f + 0.2181f) / 2},
      {1500.0f, 1, Material::silicon, 1.1643f + 2.5f * (1.1643f - 0.9631f), 0.192f + 2.5f * (0.192f - 0.1752f),
       0.2181f + 2.5f * (0.2181f - 0.1929f)},
      {0.5f, 3, Material::oxide, 0.0028f - 0.25f * (0.0052f - 0.0028f), 0.0009f - 0.25f * (0.0017f - 0.0009f), 0.0f},
      {2.0f, 1, Material::oxide, (0.0026f + 0.005f) / 2, (0.0012f + 0.0023f) / 2, 0.0f},
      {45.0f, 2, Material::silicon, (0.1285f + 0.1588f) / 2, (0.0456f + 0.0519f) / 2, (0.0477f + 0.0556f) / 2},
  };
  for (const Case& c : cases) {
    const tavik::Moments m = tavik::IMPMOM(c.E, c.dopant, c.mat);
    EXPECT_NEAR(m.Rp, c.Rp, 2e-6f) << c.E << " " << c.dopant;
    EXPECT_NEAR(m.dRp, c.dRp, 2e-6f) << c.E << " " << c.dopant;
    EXPECT_NEAR(m.dRl, c.dRl, 2e-6f) << c.E << " " << c.dopant;
  }
  EXPECT_THROW(tavik::IMPMOM(10.0f, 4, Material::silicon), sim::FatalStop);
}

TEST(Implant, FlatSurfacePutsTheWholeDoseIntoEachColumn) {
  for (int dopant = 1; dopant <= 3; ++dopant) {
    ProcessMesh m = make_mesh(5, 201, 1.0f, 1.0f);
    StepRunner run;
    ImplantStep s = implant(dopant, 1e15f, 50.0f);
    run.apply(s, m);
    const std::vector<float>& C = dopant == 1 ? m.CPHOS : dopant == 2 ? m.CBOR : m.CARS;
    for (int i = 1; i <= 5; ++i) EXPECT_NEAR(column_dose(m, C, i), 1e15, 1e15 * 1e-5) << dopant;
    EXPECT_EQ(run.out.str(), "");  // flat surface: one-dimensional evaluation
    // The mask-free implant writes back the far mask edge it used.
    EXPECT_FLOAT_EQ(s.XM, 50.0f * tavik::IMPMOM(50.0f, dopant, Material::silicon).dRl + 1.0f);
    for (float w : m.W) EXPECT_EQ(w, 0.0f);
  }
}

TEST(Implant, DoseBeyondTheMeshDepthIsLost) {
  // Boron at 1000 keV: Rp 1.7472, dRp 0.1429; a mesh 1.8 deep keeps only
  // the share of the Gaussian above 1.8.
  ProcessMesh m = make_mesh(3, 361, 1.0f, 1.8f);
  StepRunner run;
  ImplantStep s = implant(2, 1e14f, 1000.0f);
  run.apply(s, m);
  const double expected = 1e14 * gaussian_share(1.7472, 0.1429, 0.0, 1.8);
  EXPECT_NEAR(column_dose(m, m.CBOR, 2), expected, expected * 1e-3);
}

TEST(Implant, LateralMaskEdgeFraction) {
  ProcessMesh m = make_mesh(101, 101, 1.0f, 0.5f);
  StepRunner run;
  ImplantStep s = implant(1, 1e14f, 30.0f, 0.5f);
  run.apply(s, m);
  EXPECT_NEAR(column_dose(m, m.CPHOS, 1), 1e14, 1e9);
  EXPECT_NEAR(column_dose(m, m.CPHOS, 51), 0.5e14, 1e9);  // x = 0.5: half the dose
  EXPECT_NEAR(column_dose(m, m.CPHOS, 101), 0.0, 1e9);
  EXPECT_EQ(s.XM, 0.5f);

  // A negative edge implants x > 0.5 instead.
  ProcessMesh n = make_mesh(101, 101, 1.0f, 0.5f);
  ImplantStep t = implant(1, 1e14f, 30.0f, -0.5f);
  run.apply(t, n);
  EXPECT_NEAR(column_dose(n, n.CPHOS, 1), 0.0, 1e9);
  EXPECT_NEAR(column_dose(n, n.CPHOS, 51), 0.5e14, 1e9);
  EXPECT_NEAR(column_dose(n, n.CPHOS, 101), 1e14, 1e9);
}

TEST(Implant, TwoDimensionalPathAgreesWithTheFlatOne) {
  // JSMAX > 1 with every surface still in the top row: the column-by-column
  // evaluation gives the flat result. Mask edges between mesh lines and a
  // negative edge on a line match the flat edge; a column on a positive
  // edge counts as covered, so the implanted window ends half a cell
  // (0.0125) before the edge line.
  struct Case { float xm_2d, xm_flat; };
  for (const Case c : {Case{0.0f, 0.0f}, Case{0.46f, 0.46f}, Case{-0.46f, -0.46f},
                       Case{-0.45f, -0.45f}, Case{0.45f, 0.4375f}}) {
    ProcessMesh flat = make_mesh(41, 81, 1.0f, 0.8f);
    ProcessMesh twod = make_mesh(41, 81, 1.0f, 0.8f);
    ASSERT_EQ(twod.X[18], 0.45f);  // the edge line of the last two cases
    twod.JSMAX = 2;
    StepRunner run;
    ImplantStep a = implant(3, 5e15f, 80.0f, c.xm_flat), b = implant(3, 5e15f, 80.0f, c.xm_2d);
    run.apply(a, flat);
    run.apply(b, twod);
    EXPECT_EQ(run.out.str(), "Evaluating 2D implantation profiles\n");
    for (std::size_t n = 0; n < flat.CARS.size(); ++n)
      ASSERT_NEAR(twod.CARS[n], flat.CARS[n], 1e-4f * flat.CARS[n] + 1e-9f) << c.xm_2d << " " << n;
  }
}

TEST(Implant, OxideStopsPartOrAllOfTheDose) {
  // Phosphorus at 100 keV in oxide: Rp2 0.0998, dRp2 0.0331, reach 0.2984.
  const float tox_thin = 0.08f, tox_thick = 0.35f;
  ProcessMesh m = make_mesh(3, 601, 1.0f, 1.5f);
  oxidise(m, 1, 3, tox_thin);
  const tavik::Moments si = tavik::IMPMOM(100.0f, 1, Material::silicon);
  const tavik::Moments ox = tavik::IMPMOM(100.0f, 1, Material::oxide);
  std::vector<float> W(m.NY);
  tavik::PROFSHP(2, false, si, ox, m, W);
  double silicon_share = 0;
  const int js = m.ISURF[1];
  // Rows above the surface carry the same shifted Gaussian with the same scale.
  const double teq = double(tox_thin) * si.Rp / ox.Rp;
  auto gauss = [&](int j) {
    const double z = (m.Y[j - 1] - m.YSURF[1] + teq - si.Rp) / (std::sqrt(2.0) * si.dRp);
    return std::exp(-z * z);
  };
  ASSERT_GT(js, 2);
  for (int j = 1; j < js; ++j)
    EXPECT_NEAR(W[j - 1] / W[js - 1], gauss(j) / gauss(js), 1e-4 * gauss(j) / gauss(js)) << j;
  for (int j = js; j <= m.NY; ++j) {
    const double w = j == js ? (m.Y[j] - m.Y[j - 1]) / 2.0 + m.Y[j - 1] - m.YSURF[1] : m.wy[j - 1];
    silicon_share += W[j - 1] * w;
  }
  const double stopped = gaussian_share(0.0998, 0.0331, 0.0, tox_thin);
  EXPECT_NEAR(silicon_share, 1.0 - stopped, 1e-3);

  // Thicker than Rp2 + 6 dRp2: the column gets nothing; with every column
  // under it, the implant adds nothing at all.
  ProcessMesh t = make_mesh(5, 101, 1.0f, 1.0f);
  oxidise(t, 1, 5, tox_thick);
  StepRunner run;
  ImplantStep s = implant(1, 1e15f, 100.0f);
  run.apply(s, t);
  EXPECT_EQ(run.out.str(), "Evaluating 2D implantation profiles\n");
  for (float c : t.CPHOS) EXPECT_EQ(c, 0.0f);
}

TEST(Implant, PartlyOxidisedSurface) {
  // Left half under a thin oxide (boron 30 keV: Rp2 0.0816, dRp2 0.0279),
  // right half bare: far from the edge the bare silicon gets the full dose
  // and the covered silicon the share that passes the oxide.
  const float tox = 0.05f;
  ProcessMesh m = make_mesh(21, 201, 2.0f, 1.0f);
  oxidise(m, 1, 10, tox);
  StepRunner run;
  ImplantStep s = implant(2, 1e14f, 30.0f);
  run.apply(s, m);
  EXPECT_EQ(run.out.str(), "Evaluating 2D implantation profiles\n");
  EXPECT_NEAR(column_dose(m, m.CBOR, 21), 1e14, 1e14 * 1e-4);
  double covered = 0;
  const int js = m.ISURF[0];
  for (int j = js; j <= m.NY; ++j) {
    const double w = j == js ? (m.Y[j] - m.Y[j - 1]) / 2.0 + m.Y[j - 1] - m.YSURF[0] : m.wy[j - 1];
    covered += double(m.CBOR[m.node(1, j)]) * w * 1e16;
  }
  EXPECT_NEAR(covered, 1e14 * (1.0 - gaussian_share(0.0816, 0.0279, 0.0, tox)), 1e14 * 2e-3);
  for (float c : m.CBOR) EXPECT_TRUE(std::isfinite(c));
}

TEST(Implant, SurfaceRowAtTheMeshBottomIsHandled) {
  ProcessMesh m = make_mesh(4, 5, 1.0f, 0.1f);
  m.ISURF[0] = 5;
  m.YSURF[0] = m.Y[4];
  m.JSMAX = 5;
  StepRunner run;
  ImplantStep s = implant(1, 1e15f, 5.0f);
  run.apply(s, m);
  for (float c : m.CPHOS) EXPECT_TRUE(std::isfinite(c));
}

TEST(Implant, SourceWindows) {
  // x = 0, 0.1, ..., 1.0
  struct Case {
    ImplantKind kind;
    float XD;
    std::vector<int> set;  // columns whose top row becomes CS
  };
  const std::vector<Case> cases = {
      {ImplantKind::deposition, 1e10f, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
      {ImplantKind::deposition, 0.3f, {1, 2, 3}},
      {ImplantKind::deposition, -0.3f, {5, 6, 7, 8, 9, 10, 11}},
      {ImplantKind::deposition, 0.0f, {}},
  };
  for (const Case& c : cases) {
    ProcessMesh m = make_mesh(11, 6, 1.0f, 1.0f);
    m.JSMAX = 2;  // a deposition evaluates no profile, flat surface or not
    std::fill(m.CARS.begin(), m.CARS.end(), 1e-6f);
    ImplantStep s;
    s.kind = c.kind;
    s.dopant = 3;
    s.XD = c.XD;
    s.CS = 0.5f;
    s.DZ = 1e15f;  // a deposition implants nothing, whatever the dose
    s.EN = 50.0f;
    StepRunner run;
    run.apply(s, m);
    EXPECT_EQ(run.out.str(), "");
    for (int i = 1; i <= 11; ++i) {
      const bool in = std::find(c.set.begin(), c.set.end(), i) != c.set.end();
      EXPECT_EQ(m.CARS[m.node(i, 1)], in ? 0.5f : 1e-6f) << c.XD << " " << i;
      for (int j = 2; j <= 6; ++j) EXPECT_EQ(m.CARS[m.node(i, j)], 1e-6f);
    }
  }
}

TEST(Implant, ImplantWithSourceWindow) {
  // Without a mask edge a source window means source only.
  ProcessMesh m = make_mesh(11, 51, 1.0f, 1.0f);
  ImplantStep s = implant(1, 1e15f, 50.0f);
  s.XD = 0.3f;
  s.CS = 0.2f;
  StepRunner run;
  run.apply(s, m);
  EXPECT_EQ(s.XM, 0.0f);
  for (int i = 1; i <= 11; ++i) {
    EXPECT_EQ(m.CPHOS[m.node(i, 1)], i <= 3 ? 0.2f : 0.0f);
    EXPECT_EQ(m.CPHOS[m.node(i, 2)], 0.0f);
  }
  // With a mask edge the dose goes in and the window then fixes the top row.
  ProcessMesh n = make_mesh(11, 51, 1.0f, 1.0f);
  ImplantStep t = implant(1, 1e15f, 50.0f, 0.8f);
  t.XD = 0.3f;
  t.CS = 0.2f;
  run.apply(t, n);
  EXPECT_EQ(n.CPHOS[n.node(2, 1)], 0.2f);
  EXPECT_GT(n.CPHOS[n.node(2, 2)], 0.0f);
  EXPECT_GT(n.CPHOS[n.node(6, 1)], 0.0f);
  EXPECT_NE(n.CPHOS[n.node(6, 1)], 0.2f);
}

TEST(Implant, RefusedSteps) {
  ProcessMesh m = make_mesh(3, 3, 1.0f, 1.0f);
  StepRunner run;
  ImplantStep s = implant(2, 1e14f, -50.0f);  // extrapolates to negative ranges
  EXPECT_THROW(run.apply(s, m), sim::FatalStop);
  ImplantStep bad = implant(7, 1e14f, 50.0f);
  EXPECT_THROW(run.apply(bad, m), sim::FatalStop);
  ProcessMesh none;
  ImplantStep ok = implant(1, 1e14f, 50.0f);
  EXPECT_THROW(run.apply(ok, none), sim::FatalStop);
}

}  // namespace
