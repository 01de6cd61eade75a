// The thermal step: time stepping, console lines, and physics checks with
// independent answers (dose and variance of an annealed Gaussian, the erfc
// profile of a constant source, the linear-parabolic oxide thickness, the
// dose balance of the moving interface).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "process/mesh.hpp"
#include "process/thermal_step.hpp"
#include "support.hpp"

namespace {

using tavik::ThermalOutcome;
using tavik::ThermalStep;

constexpr float kKelvin1000C = 1273.0f;

// A run with a mesh and its console captured.
struct Furnace {
  Furnace(int nx, int ny, float xx, float yy) {
    tavik::MESHSET(run.mesh, nx, ny, run.solcon.IT);
    tavik::MESHGEN(run.mesh, 1, 0.0f, 0.0f, xx, yy);
  }

  static ThermalStep anneal(float T, float TM, float TAU) {
    ThermalStep s;
    s.T = T, s.TM = TM, s.TAU = TAU, s.U0 = 0.03f;
    return s;
  }
  static ThermalStep oxidation(int OX, float T, float TM, float XO = 1e10f) {
    ThermalStep s = anneal(T, TM, 1.0f);
    s.OX = OX, s.POX = 1.0f, s.XO = XO;
    return s;
  }

  ThermalOutcome step(const ThermalStep& s) { return tavik::THERMSTP(run, s); }

  int lines_starting(const std::string& prefix) const {
    std::istringstream lines(out.str());
    int count = 0;
    for (std::string line; std::getline(lines, line);) count += line.rfind(prefix, 0) == 0;
    return count;
  }

  // Dose per unit width of column i held by the silicon below its surface.
  double silicon_dose(const std::vector<float>& C, int i) const {
    const tavik::ProcessMesh& m = run.mesh;
    const int js = m.ISURF[i - 1];
    const double yb = js < m.NY ? 0.5 * (m.Y[js - 1] + m.Y[js]) : m.Y[js - 1];
    double dose = (yb - m.YSURF[i - 1]) * C[m.node(i, js)];
    for (int j = js + 1; j <= m.NY; ++j) dose += double(m.wy[j - 1]) * C[m.node(i, j)];
    return dose;
  }

  std::ostringstream out;
  std::istringstream in;
  sim::Console console{out, in};
  tavik::ProcessRun run{console};
};

TEST(ThermalStep, ConsoleLines) {
  EXPECT_EQ(tavik::iteration_line(1, 1, 0, 0, 0),
            "Time step    1 Iteration  1 P 0.0000 B 0.0000 As 0.0000");
  EXPECT_EQ(tavik::iteration_line(62, 3, 0.25f, 0.00004f, 1.5f),
            "Time step   62 Iteration  3 P 0.2500 B 0.0000 As 1.5000");
  EXPECT_EQ(tavik::iteration_line(12345, 100, 12.0f, 0, 0),
            "Time step **** Iteration ** P ****** B 0.0000 As 0.0000");
  EXPECT_EQ(tavik::timing_line(3600.0f, 0, 5),
            "  Elapsed time  60 min  0 s;       CPU time   0 min  5 s");
  EXPECT_EQ(tavik::timing_line(90.7f, 61, 59),
            "  Elapsed time   1 min 30 s;       CPU time  61 min 59 s");
  // An epitaxy runs its thermal step whatever its TM: a negative duration
  // prints its truncated minutes and a seconds field too narrow for -40.
  EXPECT_EQ(tavik::timing_line(-100.0f, 0, 0),
            "  Elapsed time  -1 min ** s;       CPU time   0 min  0 s");
}

TEST(ThermalStep, UpdconMeasuresOnMagnitudes) {
  const std::vector<float> a{1.0f, 2.0f, -1.0f}, b{1.0f, 1.0f, -2.0f};
  // |2 - 1| / (0 + 2) = 0.5 and |-1 - -2| / (0 + 2) = 0.5: a negative pair
  // cannot hide its change behind a negative denominator.
  EXPECT_FLOAT_EQ(tavik::UPDCON(3, 1, a, b, 0.0f), 0.5f);
  EXPECT_FLOAT_EQ(tavik::UPDCON(1, 1, std::vector<float>{-1.0f}, std::vector<float>{-3.0f}, 1.0f),
                  0.5f);
  EXPECT_EQ(tavik::UPDCON(3, 1, a, a, 1e-8f), 0.0f);
  EXPECT_EQ(tavik::UPDCON(0, 5, a, b, 1e-8f), 0.0f);  // empty mesh
  // Unchanged empty nodes with a zero floor are no change (not 0/0), while
  // a solve that produced NaN can never pass for converged.
  const std::vector<float> zeros{0.0f, 0.0f, 1.0f}, with_nan{0.0f, NAN, 1.0f};
  EXPECT_EQ(tavik::UPDCON(3, 1, zeros, zeros, 0.0f), 0.0f);
  EXPECT_EQ(tavik::UPDCON(3, 1, with_nan, zeros, 1e-8f), INFINITY);
}

struct StepCountCase {
  float TM, TAU;
  int steps;        // time steps performed
  float last_step;  // the TAU the step leaves behind
};

// Steps TAU, 1.1 TAU, 1.21 TAU, ... while they fit; the remainder is run
// as a last step unless it is below 0.001 TM.
TEST(ThermalStep, TimeStepCounts) {
  const StepCountCase cases[] = {
      {0.5f, 1.0f, 1, 1.0f},      // TM shorter than TAU: one full step past TM
      {2.5f, 1.0f, 3, 0.4f},      // 1 + 1.1, then the remainder 0.4
      {2.1005f, 1.0f, 2, 1.1f},   // remainder 0.0005 < 0.0021: dropped
      {3600.0f, 1.0f, 62, 0.0f},  // 61 growing steps reach 3340 s, then 260 s
  };
  for (const StepCountCase& c : cases) {
    Furnace r(3, 3, 1.0f, 1.0f);  // no dopant present: one line per time step
    const ThermalOutcome o = r.step(Furnace::anneal(kKelvin1000C, c.TM, c.TAU));
    EXPECT_EQ(o.time_steps, c.steps) << c.TM;
    EXPECT_EQ(r.lines_starting("Time step "), c.steps);
    EXPECT_EQ(r.lines_starting("Time step    1 Iteration  1 P 0.0000 B 0.0000 As 0.0000"), 1);
    EXPECT_GT(o.TAU, 0.0f);
    if (c.last_step > 0.0f) {
      EXPECT_NEAR(o.TAU, c.last_step, 1e-5f) << c.TM;
    }
  }
  // 3600 s: 61 growing steps and a shortened 62nd.
  Furnace r(3, 3, 1.0f, 1.0f);
  const ThermalOutcome o = r.step(Furnace::anneal(kKelvin1000C, 3600.0f, 1.0f));
  const double t61 = (std::pow(1.1, 61) - 1) / 0.1;
  EXPECT_NEAR(o.TAU, 3600.0 - t61, 0.05);
}

TEST(ThermalStep, WholeOutputOfAShortStep) {
  Furnace r(3, 3, 1.0f, 1.0f);
  r.step(Furnace::anneal(kKelvin1000C, 0.5f, 1.0f));
  EXPECT_EQ(r.out.str(),
            "Time step    1 Iteration  1 P 0.0000 B 0.0000 As 0.0000\n"
            "  Elapsed time   0 min  0 s;       CPU time   0 min  0 s\n");
}

// A SOLVE statement after MESH may raise the solver's iteration limit
// beyond the residual history allocated with the mesh.
TEST(ThermalStep, RaisedIterationLimitGetsHistoryRoom) {
  Furnace r(3, 3, 1.0f, 1.0f);
  ASSERT_EQ(r.run.mesh.residual_history.size(), 100u);
  std::fill(r.run.mesh.CBOR.begin(), r.run.mesh.CBOR.end(), 1e-4f);
  r.run.dopcnt = {0, 1, 0};
  r.run.solcon.IT = 150;
  r.step(Furnace::anneal(kKelvin1000C, 0.5f, 1.0f));
  EXPECT_EQ(r.run.mesh.residual_history.size(), 150u);
  r.run.solcon.IT = 1000;  // the solver never runs more than 200 iterations
  r.step(Furnace::anneal(kKelvin1000C, 0.5f, 1.0f));
  EXPECT_EQ(r.run.mesh.residual_history.size(), 200u);
}

TEST(ThermalStep, NonPositiveFirstStepStops) {
  for (float tau : {0.0f, -1.0f}) {
    Furnace r(3, 3, 1.0f, 1.0f);
    EXPECT_THROW(r.step(Furnace::anneal(kKelvin1000C, 10.0f, tau)), sim::FatalStop);
  }
}

// Independent diffusivity of boron at temperature T from the DIFF defaults.
double boron_diffusivity(double T) { return 0.555 * std::exp(-3.42 * 11605.0 / T) * 1e8; }

TEST(ThermalStep, AnnealedGaussianKeepsItsDoseAndWidensBy2Dt) {
  Furnace r(3, 301, 1.0f, 3.0f);  // y spacing 0.01 um
  tavik::ProcessMesh& m = r.run.mesh;
  const double y_c = 1.5, s0 = 0.05, peak = 1e-4;  // 1e16 cm-3, far below ni
  for (int j = 1; j <= m.NY; ++j)
    for (int i = 1; i <= m.NX; ++i) {
      const double u = (m.Y[j - 1] - y_c) / s0;
      m.CBOR[m.node(i, j)] = float(peak * std::exp(-0.5 * u * u));
    }
  r.run.dopcnt = {0, 1, 0};
  auto moments = [&](double& dose, double& mean, double& var) {
    dose = mean = var = 0;
    for (int j = 1; j <= m.NY; ++j) dose += double(m.wy[j - 1]) * m.CBOR[m.node(2, j)];
    for (int j = 1; j <= m.NY; ++j) mean += double(m.wy[j - 1]) * m.CBOR[m.node(2, j)] * m.Y[j - 1];
    mean /= dose;
    for (int j = 1; j <= m.NY; ++j) {
      const double d = m.Y[j - 1] - mean;
      var += double(m.wy[j - 1]) * m.CBOR[m.node(2, j)] * d * d;
    }
    var /= dose;
  };
  double dose0, mean0, var0;
  moments(dose0, mean0, var0);
  const float TM = 3600.0f;
  r.step(Furnace::anneal(kKelvin1000C, TM, 1.0f));
  double dose1, mean1, var1;
  moments(dose1, mean1, var1);
  const double two_Dt = 2 * boron_diffusivity(kKelvin1000C) * TM;
  EXPECT_NEAR(dose1, dose0, 1e-4 * dose0);
  EXPECT_NEAR(mean1, mean0, 1e-4);
  EXPECT_NEAR(var1 - var0, two_Dt, 0.01 * two_Dt);
  EXPECT_GT(two_Dt, 4 * var0);  // the widening is no rounding effect
  // An anneal neither moves the surface nor enhances diffusion.
  EXPECT_TRUE(std::all_of(m.YSURF.begin(), m.YSURF.end(), [](float y) { return y == 0.0f; }));
  EXPECT_TRUE(std::all_of(m.ISURF.begin(), m.ISURF.end(), [](int j) { return j == 1; }));
  EXPECT_TRUE(std::all_of(m.oed_factor.begin(), m.oed_factor.end(),
                          [](float l) { return l == 1.0f; }));
}

TEST(ThermalStep, ConstantSourceFollowsErfc) {
  Furnace r(3, 201, 1.0f, 1.0f);  // y spacing 0.005 um
  tavik::ProcessMesh& m = r.run.mesh;
  const float CS = 1e-4f;
  for (int i = 1; i <= m.NX; ++i) m.CBOR[m.node(i, 1)] = CS;
  r.run.dopcnt = {0, 1, 0};
  ThermalStep s = Furnace::anneal(kKelvin1000C, 3600.0f, 1.0f);
  s.XD_B = 1e10f;  // the whole surface is a source
  r.step(s);
  const double L = 2 * std::sqrt(boron_diffusivity(kKelvin1000C) * 3600.0);
  double worst = 0;
  for (int j = 1; j <= m.NY; ++j) {
    const double expected = CS * std::erfc(m.Y[j - 1] / L);
    worst = std::max(worst, std::abs(m.CBOR[m.node(2, j)] - expected) / CS);
  }
  EXPECT_LT(worst, 0.01);
  EXPECT_EQ(m.CBOR[m.node(1, 1)], CS);  // the source node is held exactly
}

struct OxideCase {
  const char* name;
  int OX;
  double T, TM;
};

double oxide_thickness(const OxideCase& c, double U0) {
  const double q = 11605.0 / c.T, k = 0.595;  // orientation 100
  double B, BA;
  if (c.OX == 1) {
    B = 0.214444 * std::exp(-1.23 * q);
    BA = k * 1730.555 * std::exp(-2.0 * q);
  } else {
    B = c.T < 1223 ? 4.72222 * std::exp(-1.17 * q) : 0.116667 * std::exp(-0.78 * q);
    BA = c.T < 1173 ? k * 575 * std::exp(-1.6 * q) : k * 49166.7 * std::exp(-2.05 * q);
  }
  const double Ah = 0.5 * B / BA;
  return -Ah + std::sqrt((Ah + U0) * (Ah + U0) + B * c.TM);
}

TEST(ThermalStep, OxideFollowsTheLinearParabolicLaw) {
  const OxideCase cases[] = {{"dry 1000C 2h", 1, 1273, 7200},
                             {"dry 1100C 1h", 1, 1373, 3600},
                             {"wet 1000C 1h", 2, 1273, 3600},
                             {"wet 900C 1h", 2, 1173, 3600}};
  for (const OxideCase& c : cases) {
    SCOPED_TRACE(c.name);
    Furnace r(3, 101, 1.0f, 2.0f);
    r.step(Furnace::oxidation(c.OX, float(c.T), float(c.TM)));
    const tavik::ProcessMesh& m = r.run.mesh;
    const double grown = oxide_thickness(c, 0.03) - 0.03;
    for (int i = 1; i <= m.NX; ++i) {
      EXPECT_NEAR(m.S[i - 1], grown, 1e-3 * grown);
      EXPECT_NEAR(m.YSURF[i - 1], 0.44 * grown, 1e-3 * grown);
      const int js = m.ISURF[i - 1];
      EXPECT_GE(m.Y[js - 1], m.YSURF[i - 1]);
      EXPECT_LT(m.Y[js - 2], m.YSURF[i - 1]);
      EXPECT_EQ(m.isurf_last_step[i - 1], js);
    }
    EXPECT_EQ(m.JSMAX, m.ISURF[0]);
  }
}

// Phosphorus stays in the silicon (g = 1): the consumed layer's dose piles
// up below the interface, and two oxidations one after the other keep the
// dose and move the surface down twice.
TEST(ThermalStep, SecondOxidationContinuesFromTheSurfaceAndKeepsPhosphorus) {
  Furnace r(3, 101, 1.0f, 2.0f);
  tavik::ProcessMesh& m = r.run.mesh;
  std::fill(m.CPHOS.begin(), m.CPHOS.end(), 1e-3f);
  r.run.dopcnt = {1, 0, 0};
  const double dose0 = r.silicon_dose(m.CPHOS, 2);
  r.step(Furnace::oxidation(1, 1373.0f, 3600.0f));
  const float first = m.YSURF[1];
  ASSERT_GT(first, 0.01f);
  EXPECT_NEAR(r.silicon_dose(m.CPHOS, 2), dose0, 1e-3 * dose0);
  EXPECT_GT(m.CPHOS[m.node(2, m.ISURF[1])], 1e-3f);  // pile-up at the interface
  r.step(Furnace::oxidation(1, 1373.0f, 3600.0f));
  EXPECT_FLOAT_EQ(m.YSURF[1], 2 * first);
  EXPECT_FLOAT_EQ(m.S[1], 2 * first / 0.44f);
  EXPECT_NEAR(r.silicon_dose(m.CPHOS, 2), dose0, 2e-3 * dose0);
}

TEST(ThermalStep, BoronWithSegregationOneOver044IsUnchanged) {
  for (bool neutral : {true, false}) {
    Furnace r(3, 101, 1.0f, 2.0f);
    tavik::ProcessMesh& m = r.run.mesh;
    if (neutral) {
      r.run.segcon.SGBD = 1.0f / 0.44f;
      r.run.segcon.SBDE = 0.0f;
    }
    std::fill(m.CBOR.begin(), m.CBOR.end(), 1e-4f);
    r.run.dopcnt = {0, 1, 0};
    r.step(Furnace::oxidation(1, 1373.0f, 3600.0f));
    const float surface = m.CBOR[m.node(2, m.ISURF[1])];
    float worst = 0;
    for (int j = m.ISURF[1]; j <= m.NY; ++j)
      worst = std::max(worst, std::abs(m.CBOR[m.node(2, j)] - 1e-4f) / 1e-4f);
    if (neutral) {
      EXPECT_LT(worst, 1e-4f);
    } else {
      EXPECT_LT(surface, 0.99e-4f);  // the default boron segregates into the oxide
    }
  }
}

TEST(ThermalStep, LocalOxidationFollowsTheMaskEdge) {
  Furnace r(21, 81, 4.0f, 2.0f);
  tavik::ProcessMesh& m = r.run.mesh;
  std::fill(m.CPHOS.begin(), m.CPHOS.end(), 1e-3f);
  r.run.dopcnt = {1, 0, 0};
  r.step(Furnace::oxidation(2, 1273.0f, 3600.0f, 2.0f));
  EXPECT_GT(m.YSURF.front(), 0.1f);
  EXPECT_EQ(m.YSURF.back(), 0.0f);
  for (int i = 2; i <= m.NX; ++i) EXPECT_LE(m.YSURF[i - 1], m.YSURF[i - 2]);
  EXPECT_EQ(m.JSMAX, *std::max_element(m.ISURF.begin(), m.ISURF.end()));
  double dose = 0, dose0 = 0;
  for (int i = 1; i <= m.NX; ++i) {
    dose += m.wx[i - 1] * r.silicon_dose(m.CPHOS, i);
    dose0 += m.wx[i - 1] * 1e-3 * 2.0;
  }
  EXPECT_NEAR(dose, dose0, 2e-3 * dose0);
}

TEST(ThermalStep, OxideReachingTheMeshBottomStops) {
  Furnace r(3, 5, 1.0f, 0.1f);
  try {
    r.step(Furnace::oxidation(2, 1373.0f, 36000.0f));
    ADD_FAILURE() << "no stop";
  } catch (const sim::FatalStop& stop) {
    EXPECT_NE(std::string(stop.what()).find("bottom of the mesh"), std::string::npos);
  }
}

TEST(ThermalStep, OuterIterationIsCapped) {
  Furnace r(3, 3, 1.0f, 1.0f);
  std::fill(r.run.mesh.CBOR.begin(), r.run.mesh.CBOR.end(), 1e-4f);
  r.run.dopcnt = {0, 1, 0};
  r.run.solcon.RS = 0.0f;  // threshold 0: no change can ever be below it
  const ThermalOutcome o = r.step(Furnace::anneal(kKelvin1000C, 0.5f, 1.0f));
  EXPECT_EQ(o.capped_steps, 1);
  EXPECT_EQ(r.lines_starting("Time step "), tavik::kOuterIterationCap);
  EXPECT_EQ(r.lines_starting(" Time step    1 not converged after 100 iterations"), 1);
  EXPECT_EQ(r.lines_starting("  Elapsed time"), 1);
}

// End to end: deposition and two anneals; the second anneal without TAU
// starts from the last step of the first (0.4 s): 0.4, 0.44, then 0.16.
TEST(ThermalStep, DeckRunsAnnealsAndCarriesTau) {
  testing_support::ScratchDir dir;
  testing_support::write_file(dir / "RUN.INP",
                              "MESH: NX=3 NY=21 XX=1 YY=1;\n"
                              "SUBS: BO=1e15;\n"
                              "PHDE: CS=1e18;\n"
                              "ANNE: TC=1000 TM=2.5 TAU=1;\n"
                              "ANNE: TM=1;\n"
                              "OXID: TC=1000 TM=600 TAU=1 OX=1 POX=1;\n"
                              "$\n");
  const auto result = testing_support::run_program(TAVIK_EXE, "RUN.INP", dir.path());
  EXPECT_EQ(result.exit_status, 0) << result.output;
  const std::string& o = result.output;
  EXPECT_NE(o.find("Inert annealing: "), std::string::npos);
  EXPECT_NE(o.find("  Elapsed time   0 min  2 s;       CPU time "), std::string::npos);
  EXPECT_NE(o.find("  Elapsed time   0 min  1 s;       CPU time "), std::string::npos);
  EXPECT_NE(o.find("  Elapsed time  10 min  0 s;       CPU time "), std::string::npos);
  // Each anneal: three time steps; no fourth.
  std::size_t third = 0, pos = 0;
  while ((pos = o.find("Time step    3 Iteration  1 P ", pos)) != std::string::npos) ++third, ++pos;
  EXPECT_GE(third, 2u);
  const std::size_t second_anneal = o.find("Inert annealing: ", o.find("Inert annealing: ") + 1);
  const std::size_t oxidation = o.find("Oxidation: ");
  ASSERT_NE(second_anneal, std::string::npos);
  ASSERT_NE(oxidation, std::string::npos);
  EXPECT_EQ(o.substr(second_anneal, oxidation - second_anneal).find("Time step    4"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "RUN.3D"));
}

}  // namespace
