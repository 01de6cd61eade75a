// Spectra and optical generation: reading and converting the spectrum files,
// the absorption of the light sources along their direction, generation
// boxes, and the integral line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/fortran_format.hpp"
#include "device/devora.hpp"
#include "device/physics/optical_generation.hpp"
#include "device/setup/spectra.hpp"
#include "device_deck_run.hpp"
#include "support.hpp"

namespace {

// A deck set up to the first curve, its spectra read.
struct LitRun : DeckRun {
  explicit LitRun(const std::string& deck) : DeckRun(deck) { devora::set_up_device(run); }
  const std::vector<double>& generate() {
    std::vector<double> scratch(nx() * ny());
    devora::GENRATE(run, scratch);
    return run.models.GOPT;
  }
  // Spectral line k (0-based over all sources) after conversion.
  std::span<const double> line(std::size_t k) const {
    return std::span<const double>(run.lsrctab.spectral_lines).subspan(6 * k, 6);
  }
  std::size_t nx() const { return run.mesh.X.size(); }
  std::size_t ny() const { return run.mesh.Y.size(); }
  double microns(double v) const { return v * run.scale.LDUM; }
};

class Optics : public ::testing::Test {
 protected:
  std::string spectrum(const std::string& name, const std::string& lines) {
    testing_support::write_file(dir / name, "lambda power alpha trans rback rfront\n" + lines);
    return (dir / name).string();
  }
  std::string source(const std::string& name, const std::string& items) {
    return "LSRC: SFIL='" + (dir / name).string() + "' " + items;
  }
  testing_support::ScratchDir dir;
};

std::string stop_message(const std::function<void()>& f) {
  try {
    f();
  } catch (const sim::FatalStop& stop) {
    return stop.what();
  }
  return "";
}

TEST_F(Optics, SpectraAreReadUpToTheCountAndConverted) {
  spectrum("sun.txt", "500 1 1e4 0.9 0.5 0.2\n500,3,1e3,0.8,0.4,0.1\n500 0 1e2 1 1 1\nend of data\n500 9 9 9 9 9\n");
  LitRun r("MESH: NX=3 NY=5;\n" + source("sun.txt", "FLUX=2 XRGT=0.75 TRAN=0.5 REFL=0.25 TRFL=2;\n") +
           source("sun.txt", "FLUX=0 }\n$"));
  ASSERT_EQ(r.run.lsrctab.NSPC, (std::vector<int>{3, 3}));
  EXPECT_DOUBLE_EQ(r.microns(r.run.lsrctab.XRGT[0]), 0.75);
  // Back to watts: FLUX > 0 shares the flux by the weights 1, 3, 0; FLUX = 0
  // takes each power as given (the second source's block).
  const double photon_energy = 6.63e-34 * 2.998e8 * 1e9 / 500.0;
  const auto watts = [&](std::size_t k) { return r.line(k)[1] * r.run.scale.G0 * r.run.scale.LD * photon_energy; };
  EXPECT_NEAR(watts(0), 0.5, 1e-13);
  EXPECT_NEAR(watts(1), 1.5, 1e-13);
  EXPECT_EQ(watts(2), 0.0);
  EXPECT_NEAR(watts(4), 3.0, 1e-13);
  const std::vector<double> second(r.line(1).begin(), r.line(1).end());
  EXPECT_EQ(second[0], 500.0);
  EXPECT_DOUBLE_EQ(second[2], 1e3 * r.run.scale.LD);
  EXPECT_DOUBLE_EQ(second[3] + second[4] + second[5], 0.4 + 0.1 + 0.2);  // times TRAN, REFL, TRFL
  EXPECT_DOUBLE_EQ(r.line(4)[3], 0.8);  // the second source's own factors
}

TEST_F(Optics, WeightlessOrChangedSpectraStop) {
  const std::string dark = spectrum("dark.txt", "500 0 1e4 1 0 0\n600 0 1e4 1 0 0\n");
  EXPECT_EQ(stop_message([&] { LitRun r(source("dark.txt", "FLUX=1 }\n$")); }),
            " Check spectrum file " + sim::fixed(dark, 80));
  EXPECT_EQ(stop_message([&] { LitRun r(source("dark.txt", "FLUX=0 }\n$")); }), "");  // no flux to share
  const std::string empty = spectrum("empty.txt", "lambda power alpha T Rb Rf\nnan 1 1e4 1 0 0\n");
  EXPECT_EQ(stop_message([&] { LitRun r(source("empty.txt", "FLUX=1 }\n$")); }),
            " Check spectrum file " + sim::fixed(empty, 80));  // no usable line to carry the flux

  DeckRun d(source("dark.txt", "FLUX=0 }\n$"));
  spectrum("dark.txt", "500 0 1e4 1 0 0\n600 0 x 1 0 0\n");  // changed after the count
  EXPECT_EQ(stop_message([&] { devora::set_up_device(d.run); }), " Check spectrum file " + sim::fixed(dark, 80));
}

// Rb = 0 is Beer-Lambert cell by cell, and a deep device absorbs all of
// Phi T. The cells of a column telescope, so with reflections the total is
// Phi T (1 - e^(-a D)) (1 + Rb e^(-a D)) / (1 - Rb Rf e^(-2 a D)).
TEST_F(Optics, AbsorptionFollowsBeerLambertWithReflections) {
  spectrum("line.txt", "600 1 2e4 0.7 1 1\n");
  for (const std::string mesh_and_reflection : {"YY=20 NY=40; REFL=0", "YY=0.5 NY=25; REFL=0.6"}) {
    const std::size_t split = mesh_and_reflection.find(';');
    LitRun r("MESH: NX=3 " + mesh_and_reflection.substr(0, split + 1) + "\n" +
             source("line.txt", "FLUX=0 TRFL=0.5" + mesh_and_reflection.substr(split + 1) + " }\n$"));
    const std::vector<double>& g = r.generate();
    const std::vector<double>& y = r.run.mesh.Y;
    const double phi_t = r.line(0)[1] * r.line(0)[3], a = r.line(0)[2], rb = r.line(0)[4], rf = r.line(0)[5];
    for (std::size_t j = 0; rb == 0.0 && j < r.ny(); ++j) {
      const double lo = j == 0 ? y[0] : (y[j - 1] + y[j]) / 2, hi = j + 1 == r.ny() ? y[j] : (y[j] + y[j + 1]) / 2;
      const double expected = phi_t * std::abs(std::exp(-a * lo) - std::exp(-a * hi)) / (hi - lo);
      for (std::size_t i = 0; i < r.nx(); ++i) EXPECT_NEAR(g[j * r.nx() + i], expected, 1e-12 * expected) << j;
    }
    const double e = std::exp(-a * y.back());
    const double absorbed = rb == 0.0 ? phi_t : phi_t * (1 - e) * (1 + rb * e) / (1 - rb * rf * e * e);
    const double integral = devora::INTEGPR(r.run, g, 0, r.run.geom.XX, 0, y.back(), 1.0, "g");
    EXPECT_NEAR(integral, r.run.geom.XX * absorbed, 1e-12 * integral) << mesh_and_reflection;
  }
}

TEST_F(Optics, DirectionsAndWindows) {
  spectrum("line.txt", "600 1 5e4 1 0.3 0.3\n");
  // ITLT: 1 top, 2 left, 3 bottom, 4 right; below 1 top and left, above 4
  // bottom and right. Strongest and weakest node as (row, column), the
  // first of equal values in node order.
  struct Expected {
    int itlt;
    std::size_t peak_row, peak_column, low_row, low_column;
  };
  constexpr std::size_t last = 14;
  for (const Expected e : {Expected{1, 0, 0, last, 0}, {2, 0, 0, 0, last}, {3, last, 0, 0, 0}, {4, 0, last, 0, 0},
                           {0, 0, 0, last, last}, {5, last, last, 0, 0}}) {
    LitRun r("MESH: NX=15 NY=15 XX=2 YY=2 HY0=0.2;\n" +
             source("line.txt", "FLUX=1 ITLT=" + std::to_string(e.itlt) + " }\n$"));
    const std::vector<double>& g = r.generate();
    EXPECT_EQ(std::max_element(g.begin(), g.end()) - g.begin(), e.peak_row * r.nx() + e.peak_column) << e.itlt;
    EXPECT_EQ(std::min_element(g.begin(), g.end()) - g.begin(), e.low_row * r.nx() + e.low_column) << e.itlt;
  }

  LitRun w("MESH: NX=11 NY=11 HY0=0.1;\n" + source("line.txt", "FLUX=1 XLFT=0.25 XRGT=0.75 YTOP=0.25 YBOT=0.65 }\n$"));
  const std::vector<double>& g = w.generate();
  for (std::size_t n = 0; n < g.size(); ++n) {
    const double x = w.microns(w.run.mesh.X[n % w.nx()]), y = w.microns(w.run.mesh.Y[n / w.nx()]);
    EXPECT_EQ(g[n] > 0.0, x > 0.25 && x < 0.75 && y > 0.25 && y < 0.65) << x << ' ' << y;
  }
}

TEST_F(Optics, SourcesAndBoxesAddUpEachWithItsOwnLines) {
  spectrum("a.txt", "400 1 1e3 1 0 0\n800 2 3e3 0.5 0 0\n");
  spectrum("b.txt", "600 4 3e4 0.9 0.5 0.5\n");
  const std::string mesh = "MESH: NX=5 NY=8;\n";
  const std::string a = source("a.txt", "FLUX=1 ITLT=2"), b = source("b.txt", "FLUX=2 ITLT=1");
  LitRun both(mesh + a + ";\n" + b + " }\n$"), only_a(mesh + a + " }\n$"), only_b(mesh + b + " }\n$");
  const std::vector<double>& g = both.generate();
  const std::vector<double>& ga = only_a.generate();
  const std::vector<double>& gb = only_b.generate();
  for (std::size_t n = 0; n < g.size(); ++n) EXPECT_DOUBLE_EQ(g[n], ga[n] + gb[n]) << n;

  LitRun box(mesh + "PHOT: RATE=1E20 IWEL=1 XRGT=0.5 YBOT=1 }\n$");
  const std::vector<double>& gbox = box.generate();
  for (std::size_t n = 0; n < gbox.size(); ++n)
    EXPECT_NEAR(gbox[n] * box.run.scale.G0, box.microns(box.run.mesh.X[n % box.nx()]) <= 0.5 ? 1e20 : 0.0, 1e6);

  LitRun dark(mesh + "$");
  std::fill(dark.run.models.GOPT.begin(), dark.run.models.GOPT.end(), 7.0);
  const std::vector<double>& g0 = dark.generate();
  EXPECT_TRUE(std::all_of(g0.begin(), g0.end(), [](double v) { return v == 0.0; }));
}

// Cells reaching past the entry bound of an inner window, a window far below
// the entry depth (e^(+800) e^(-900) for the reflected beam), two perfect
// mirrors around a line without absorption (zero denominator) and a
// one-line axis (zero cell width) all give finite values.
TEST(OpticsLimits, DegenerateGeometriesStayFinite) {
  devora::LSRCTAB s;
  s.NLSRC = 1;
  s.NSPC = {2};
  s.XLFT = {0};
  s.XRGT = {1};
  s.spectral_lines = {600, 1, 5, 1, 0, 0, 600, 1, 0, 1, 1, 1};
  const auto absorb = [&](int itlt, double top, double bottom, const std::vector<double>& y) {
    s.ITLT = {itlt};
    s.YTOP = {top};
    s.YBOT = {bottom};
    std::vector<double> out(y.size(), -1.0);
    devora::ABSORB(out, devora::LightAxis::y, y, s);
    for (double v : out) EXPECT_TRUE(std::isfinite(v) && v >= 0.0) << itlt << ' ' << v;
    return out;
  };
  // The bottom node of the inner window takes the light that enters its
  // cell at the window's bound, per width of the whole cell.
  EXPECT_NEAR(absorb(3, 0, 500, {0, 250, 500, 1000})[2], 1.0 / 375.0, 1e-15);
  absorb(1, 900, 1000, {0, 850, 900, 950, 1000});
  EXPECT_EQ(absorb(1, 0, 1, {0.5}), std::vector<double>{0.0});
}

TEST_F(Optics, IntegralLine) {
  LitRun r("MESH: NX=3 NY=4 XX=2 YY=1;\n$");
  const std::vector<double> ones(r.nx() * r.ny(), 1.0);
  const double all = devora::INTEGPR(r.run, ones, 0, r.run.geom.XX, 0, r.run.geom.YY, 2.0, "e-h generation rate");
  EXPECT_NEAR(all, 2.0 * r.run.geom.XX * r.run.geom.YY, 1e-12 * all);
  const std::string out = r.out.str();
  EXPECT_EQ(out.substr(out.rfind("\n ", out.size() - 2) + 1),
            " Integral of e-h generation rate  " + sim::ftn::list_item(all) + "\n");
  // Bounds included: from the middle column on, its whole control width counts.
  const double right = devora::INTEGPR(r.run, ones, r.run.mesh.X[1], r.run.geom.XX, 0, r.run.geom.YY, 1.0, "x");
  EXPECT_NEAR(right, (r.run.mesh.WX[1] + r.run.mesh.WX[2]) * r.run.geom.YY, 1e-12 * right);
}

}  // namespace
