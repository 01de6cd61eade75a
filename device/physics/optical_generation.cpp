#include "device/physics/optical_generation.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/five_diagonal.hpp"
#include "common/fixed_text.hpp"
#include "common/fortran_format.hpp"
#include "device/setup/box_profile.hpp"
#include "device/setup/spectra.hpp"

namespace devora {

namespace {

constexpr std::size_t kQuantityNameWidth = 20;
constexpr double kWindowTolerance = 1e-12;  // internal lengths

std::size_t count(int n) { return static_cast<std::size_t>(std::max(n, 0)); }

// Control cell of node i along an axis: from the midpoint with the previous
// node to the midpoint with the next, cut at the ends of the axis.
struct Cell {
  double lo, hi;
  double width() const { return hi - lo; }
};

Cell cell_of(std::span<const double> c, std::size_t i) {
  const std::size_t last = c.size() - 1;
  return {i == 0 ? c[0] : (c[i - 1] + c[i]) / 2.0, i == last ? c[last] : (c[i] + c[i + 1]) / 2.0};
}

// ITLT 1 and 3 travel along y, 2 and 4 along x; any other value along both.
bool acts_along(int itlt, LightAxis axis) {
  if (itlt == 1 || itlt == 3) return axis == LightAxis::y;
  if (itlt == 2 || itlt == 4) return axis == LightAxis::x;
  return true;
}

// ITLT 3, 4 and above enter at the far bound of the window (bottom, right).
bool enters_at_far_bound(int itlt) { return itlt >= 3; }

struct Window {
  double lo, hi;
};

Window window_along(const LSRCTAB& s, std::size_t l, LightAxis axis) {
  return axis == LightAxis::y ? Window{s.YTOP[l], s.YBOT[l]} : Window{s.XLFT[l], s.XRGT[l]};
}

// Fraction of the light left after a path of the given length. The path
// is never taken as negative: light is nowhere brighter than where it
// enters, so a cell reaching beyond the window's entry bound (or a negative
// coefficient) cannot overflow the exponential.
double remaining(double alpha, double path) { return std::exp(std::min(-alpha * path, 0.0)); }

// Photons of one spectral line absorbed between the depths x1 and x2 of a
// layer of thickness D: the direct beam, the beam reflected once at the back
// surface (its two exponentials e^(-alpha D) e^(-alpha (D - x)) formed as
// one, so that a large and a small factor do not give inf * 0), and the
// geometric series of further reflections. A series whose ratio is 1 (no
// absorption between two perfect mirrors) has no finite sum: no generation.
double line_absorption(std::span<const double> line, double x1, double x2, double D) {
  const double alpha = line[kAbsorption];
  const double rb = line[kBackReflectance];
  const double direct = std::abs(remaining(alpha, x1) - remaining(alpha, x2));
  const double reflected = rb * std::abs(remaining(alpha, 2.0 * D - x1) - remaining(alpha, 2.0 * D - x2));
  const double denominator = 1.0 - remaining(alpha, 2.0 * D) * rb * line[kFrontReflectance];
  if (denominator == 0.0) return 0.0;
  return line[kPhotonFlux] * line[kTransmission] * (direct + reflected) / denominator;
}

// Photons absorbed in the cell of a node inside the window, per unit width,
// summed over the source's lines.
double cell_absorption(std::span<const double> lines, const Cell& cell, const Window& w, bool from_far_bound) {
  const double width = cell.width();
  if (width <= 0.0) return 0.0;
  const double D = w.hi - w.lo;
  const double x1 = from_far_bound ? w.hi - cell.lo : cell.lo;
  const double x2 = from_far_bound ? w.hi - cell.hi : cell.hi;
  double sum = 0.0;
  for (std::size_t first = 0; first < lines.size(); first += kSpectralColumns)
    sum += line_absorption(lines.subspan(first, kSpectralColumns), x1, x2, D) / width;
  return std::abs(sum);
}

bool within(double v, double lo, double hi) { return lo - kWindowTolerance <= v && v <= hi + kWindowTolerance; }

void add_generation_boxes(DeviceRun& run, std::span<double> scratch, std::span<double> g) {
  const PHOBOX& boxes = run.phobox;
  for (std::size_t b = 0; b < count(boxes.NPHO); ++b) {
    PROFMAP(scratch, run.mesh.X, run.mesh.Y, boxes.shape(b), boxes.RATE[b], boxes.DFIL[b], run.scale.G0,
            run.scale.LDUM);
    sim::VAXPY<double>(g, scratch, g, static_cast<int>(g.size()), 1.0);
  }
}

void add_light_sources(const DeviceRun& run, std::span<double> g) {
  const LSRCTAB& s = run.lsrctab;
  const std::vector<double>& x = run.mesh.X;
  const std::vector<double>& y = run.mesh.Y;
  const std::size_t nx = x.size(), ny = y.size(), sources = count(s.NLSRC);
  std::vector<double> rows(sources * ny), columns(sources * nx);
  ABSORB(rows, LightAxis::y, y, s);
  ABSORB(columns, LightAxis::x, x, s);
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i)
      for (std::size_t l = 0; l < sources; ++l) {
        double& v = g[j * nx + i];
        if (within(x[i], s.XLFT[l], s.XRGT[l])) v += rows[l * ny + j];
        if (within(y[j], s.YTOP[l], s.YBOT[l])) v += columns[l * nx + i];
      }
}

}  // namespace

void ABSORB(std::span<double> out, LightAxis axis, std::span<const double> c, const LSRCTAB& sources) {
  const std::size_t n = c.size();
  for (std::size_t l = 0; l < count(sources.NLSRC); ++l) {
    std::span<double> values = out.subspan(l * n, n);
    std::fill(values.begin(), values.end(), 0.0);
    const int itlt = sources.ITLT[l];
    if (!acts_along(itlt, axis)) continue;
    const Window w = window_along(sources, l, axis);
    const std::span<const double> lines = source_lines(sources, l);
    for (std::size_t i = 0; i < n; ++i)
      if (w.lo <= c[i] && c[i] <= w.hi) values[i] = cell_absorption(lines, cell_of(c, i), w, enters_at_far_bound(itlt));
  }
}

void GENRATE(DeviceRun& run, std::span<double> scratch) {
  const std::size_t nodes = run.mesh.X.size() * run.mesh.Y.size();
  std::vector<double>& gopt = run.models.GOPT;
  if (gopt.size() < nodes || scratch.size() < nodes)
    throw std::logic_error("GENRATE: the generation or scratch array is smaller than the mesh");
  const std::span<double> g(gopt.data(), nodes);
  std::fill(g.begin(), g.end(), 0.0);
  add_generation_boxes(run, scratch.first(nodes), g);
  if (run.lsrctab.NLSRC > 0) add_light_sources(run, g);
}

double INTEGPR(const DeviceRun& run, std::span<const double> F, double xlo, double xhi, double ylo, double yhi,
               double factor, std::string_view name) {
  const MeshArrays& m = run.mesh;
  const std::size_t nx = m.X.size();
  if (F.size() < nx * m.Y.size()) throw std::logic_error("INTEGPR: the node array is smaller than the mesh");
  double sum = 0.0;
  for (std::size_t j = 0; j < m.Y.size(); ++j)
    for (std::size_t i = 0; i < nx; ++i)
      if (xlo <= m.X[i] && m.X[i] <= xhi && ylo <= m.Y[j] && m.Y[j] <= yhi) sum += m.WX[i] * m.WY[j] * F[j * nx + i];
  const double integral = factor * sum;
  run.console.out << sim::ftn::ListLine()
                         .add("Integral of " + sim::fixed(name, kQuantityNameWidth) + " ")
                         .add(integral)
                         .str()
                  << '\n';
  return integral;
}

// ZZ here is the scaled third dimension (microns / LDUM), as the deck's
// conversion leaves it; the factor is kept in this established form, so the
// printed value is the generated current in A divided by LD in cm (the
// current itself would take ZZ in cm, i.e. one more factor LD).
double generation_integral_factor(const DeviceRun& run) {
  const SCALE& s = run.scale;
  return s.LD * s.LD * s.G0 * run.geom.ZZ * s.Q;
}

}  // namespace devora
