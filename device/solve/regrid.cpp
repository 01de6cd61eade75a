#include "device/solve/regrid.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <string>

#include "common/fatal_stop.hpp"
#include "common/finite.hpp"
#include "device/physics/gradient.hpp"
#include "device/physics/poisson.hpp"
#include "device/setup/doping.hpp"
#include "device/setup/interpolation.hpp"
#include "device/setup/mesh_geometry.hpp"
#include "device/setup/scaling.hpp"
#include "device/solve/heat_file.hpp"
#include "device/solve/line_density.hpp"

namespace devora {

namespace {

// Share of uniform lines: n (0.7 (1 - e) + 0.05 e), e = exp(-n/70); 0.7 is
// the 4-byte real widened.
constexpr double kUniformShareLarge = static_cast<double>(0.7f);
constexpr double kUniformShareSmall = 0.05;
constexpr double kUniformShareLines = 70.0;

// Solution density: doping above about 100 NI damps the space-charge term
// (the 0.3 power, squared); the field change enters with the power 0.25 and
// the field across the cell with 0.9 (4-byte reals widened).
constexpr double kLightDoping = 100.0;
constexpr double kDopingDampingRoot = static_cast<double>(0.3f);
constexpr double kFieldChangePower = 0.25;
constexpr double kFieldPower = static_cast<double>(0.9f);
constexpr double kFieldFloor = 1e-10;

// The zero-bias potential is solved to updates of 1e-5 VT, and its linear
// solves leave differences of about 1e-9 VT between columns that should be
// equal. Potential steps along an axis that all stay below this level are
// such residue, not structure: the axis gets no solution density.
constexpr double kFlatPotentialStep = 1e-6;

constexpr int kMaxCycles = 101;
constexpr PoissonControls kRegridPoisson{1e-5, 10, 1};

// One axis of the tensor mesh as the regridding walks it: its lines, and the
// strides of the node order along it and across it.
struct AxisView {
  std::span<const double> coord, inv_spacing, width;  // along the axis
  std::span<const double> cross_coord, cross_width;   // across it
  std::size_t along_stride, cross_stride;
  const char* start_line;

  std::size_t lines() const { return coord.size(); }
  std::size_t cross_lines() const { return cross_coord.size(); }
  std::size_t node(std::size_t along, std::size_t across) const {
    return along * along_stride + across * cross_stride;
  }
};

AxisView view_of(const MeshArrays& m, Axis axis) {
  const std::size_t nx = m.X.size();
  if (axis == Axis::x) return {m.X, m.HX, m.WX, m.Y, m.WY, 1, nx, " Remesh X Starts"};
  return {m.Y, m.HY, m.WY, m.X, m.WX, nx, 1, " Remesh Y Starts"};
}

double length_of(std::span<const double> c) { return c.back() - c.front(); }

// |space charge|, damped where the doping is high.
double space_charge_weight(double netd, double elec, double hole) {
  const double charge = netd + hole - elec;
  const double root = std::pow(kLightDoping / (kLightDoping + std::abs(netd)), kDopingDampingRoot);
  return root * root * std::abs(charge);
}

// Change of the field between two neighbouring lines, and the field across
// the cell (as a potential drop over the control width).
double field_weight(double e, double e_before, double width) {
  return std::pow(std::abs(e - e_before), kFieldChangePower) *
         std::pow(std::abs(e + e_before) * width + kFieldFloor, kFieldPower);
}

// Density of the inner lines: the cross-width weighted mean over the cross
// lines; the end lines stay 0 here.
std::vector<double> solution_density(const DeviceRun& run, const AxisView& a, std::span<const double> E) {
  const NodeArrays& s = run.nodes;
  const std::size_t n = a.lines();
  const double cross_length = length_of(a.cross_coord);
  std::vector<double> D(n, 0.0);
  for (std::size_t l = 1; l + 1 < n; ++l) {
    double sum = 0.0;
    for (std::size_t c = 0; c < a.cross_lines(); ++c) {
      const std::size_t k = a.node(l, c), before = a.node(l - 1, c);
      sum += a.cross_width[c] * space_charge_weight(s.NETD[k], s.ELEC[k], s.HOLE[k]) *
             field_weight(E[k], E[before], a.width[l]);
    }
    D[l] = sum / cross_length;
  }
  return D;
}

// True when some potential step between neighbouring lines of the axis
// (field times spacing) stands above the solver residue.
bool potential_varies_along(const AxisView& a, std::span<const double> E) {
  for (std::size_t l = 0; l + 1 < a.lines(); ++l) {
    const double spacing = a.coord[l + 1] - a.coord[l];
    for (std::size_t c = 0; c < a.cross_lines(); ++c)
      if (!(std::abs(E[a.node(l, c)]) * spacing <= kFlatPotentialStep)) return true;
  }
  return false;
}

// Scales the solution density to carry n - 2 - ku lines and adds ku lines
// spread uniformly; the end lines take their old density plus the uniform
// part. False (D untouched) when the solution density has no positive
// finite integral, e.g. a field without any change along the axis.
bool mix_with_uniform(std::vector<double>& D, std::span<const double> h, int ku, double length) {
  const std::size_t n = D.size();
  double integral = 0.0;
  for (std::size_t l = 1; l + 2 < n; ++l) integral += 0.5 * (D[l] + D[l + 1]) * h[l];
  if (!(integral > 0.0 && std::isfinite(integral))) return false;
  const double scale = static_cast<double>(static_cast<int>(n) - 2 - ku) / integral;
  const double uniform = static_cast<double>(ku) / length;
  std::vector<double> mixed(n);
  for (std::size_t l = 1; l + 1 < n; ++l) mixed[l] = scale * D[l] + uniform;
  mixed[0] = 0.5 * (1.0 / h[0] + 1.0 / h[1]) + uniform;
  mixed[n - 1] = 0.5 * (1.0 / h[n - 2] + 1.0 / h[n - 3]) + uniform;
  if (!sim::all_finite(mixed)) return false;
  D = std::move(mixed);
  return true;
}

std::vector<DensityWindow> remesh_windows(const REMCOM& r, Axis axis) {
  std::vector<DensityWindow> w;
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(r.NREM, 0)); ++i)
    w.push_back(axis == Axis::x ? DensityWindow{r.XLFT[i], r.XRGT[i], r.NXRM[i]}
                                : DensityWindow{r.YTOP[i], r.YBOT[i], r.NYRM[i]});
  return w;
}

std::vector<DensityWindow> oxide_windows(const OXIDE& o, Axis axis) {
  std::vector<DensityWindow> w;
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(o.NOXR, 0)); ++i)
    w.push_back(axis == Axis::x ? DensityWindow{o.XLFT[i], o.XRGT[i], o.NXOX[i]}
                                : DensityWindow{o.YTOP[i], o.YBOT[i], o.NYOX[i]});
  return w;
}

// Cycles of smoothing, relaxation towards the old density and placement,
// until neighbouring new spacings differ by at most rmax; returns the new
// spacings. D0 is normalised in place along the way.
std::vector<double> relax_and_place(HeatRecords& heat, const AxisView& a, std::vector<double>& D,
                                    std::vector<double>& D0, std::span<const double> h, double rmax) {
  const std::size_t n = D.size();
  std::vector<double> hn(n - 1);
  for (int cycle = 1; cycle <= kMaxCycles; ++cycle) {
    CURREM(heat, a.coord, D, std::span<const double>(D0).first(n - 1), a.width, rmax);
    REMPRT(heat, a.coord, D, numbered_heat_title("HEATSM IID ", cycle, 4));
    REMPRT(heat, a.coord, D, "New Density");
    REMPRT(heat, a.coord, D0, "Old Density");
    MECON(D, h, hn);
    MECON(D0, h, hn);
    for (std::size_t k = 0; k < n; ++k) D[k] = 0.5 * (D[k] + D0[k]);
    REMPRT(heat, a.coord, D, "Final Density");
    MECON(D, h, hn);
    if (!(neighbour_ratio(hn) > rmax)) break;
  }
  return hn;
}

// Running sum from 0; the last line is put on the old length, so the
// device keeps its size whatever the rounding of the sum.
std::vector<double> lines_from_spacings(std::span<const double> hn, double length) {
  std::vector<double> x(hn.size() + 1, 0.0);
  for (std::size_t k = 0; k < hn.size(); ++k) x[k + 1] = x[k] + hn[k];
  x.back() = length;
  return x;
}

std::vector<double> lines_from_zero(std::span<const double> c) {
  std::vector<double> x(c.begin(), c.end());
  for (double& v : x) v -= c.front();
  return x;
}

}  // namespace

int uniform_line_count(int n) {
  const double lines = static_cast<double>(n);
  const double e = std::exp(-lines / kUniformShareLines);
  return static_cast<int>(lines * (kUniformShareLarge * (1.0 - e) + kUniformShareSmall * e));
}

std::vector<double> REMAXIS(const DeviceRun& run, Axis axis, std::span<const double> gradient) {
  const AxisView a = view_of(run.mesh, axis);
  const std::size_t n = a.lines();
  if (n < static_cast<std::size_t>(kFewestRegriddedLines)) return {a.coord.begin(), a.coord.end()};
  run.console.out << a.start_line << '\n';
  HeatRecords heat{run.scale.LDUM, {}};

  std::vector<double> D0(n), h(n - 1);
  for (std::size_t k = 0; k + 1 < n; ++k) {
    D0[k] = a.inv_spacing[k];
    h[k] = 1.0 / a.inv_spacing[k];
  }
  D0[n - 1] = D0[n - 2];
  REMPRT(heat, a.coord, D0, "Original Density");

  const double length = length_of(a.coord);
  std::vector<double> D = solution_density(run, a, gradient);
  const bool follows_solution = potential_varies_along(a, gradient) &&
                                mix_with_uniform(D, h, uniform_line_count(static_cast<int>(n)), length);
  if (!follows_solution) D = D0;  // no usable solution density: the old one
  REMPRT(heat, a.coord, D, "Field Remesh");
  REMDENS(remesh_windows(run.remcom, axis), a.coord, D);
  REMDENS(oxide_windows(run.oxide, axis), a.coord, D);
  REMPRT(heat, a.coord, D, "Remesh Wells Added");

  std::vector<double> lines = lines_from_zero(a.coord);
  if (follows_solution || D != D0) {
    const std::vector<double> hn = relax_and_place(heat, a, D, D0, h, run.comctrl.SMTH);
    std::vector<double> placed = lines_from_spacings(hn, length);
    if (sim::all_finite(placed) && strictly_increasing(placed)) lines = std::move(placed);
  }
  write_heat_file(heat);
  return lines;
}

void REMESH(DeviceRun& run) {
  const int flag = run.igrid.MESH;
  const bool regrid_x = flag == 2 || flag == 3;
  const bool regrid_y = flag == 2 || flag == 4;
  if (regrid_x || regrid_y) check_regrid_smoothing(run.comctrl.SMTH);
  MeshArrays& mesh = run.mesh;
  ModelArrays& models = run.models;
  const std::size_t nodes = mesh.X.size() * mesh.Y.size();
  if (models.GXPSI.size() != nodes || models.GYPSI.size() != nodes || run.nodes.PSI.size() != nodes)
    throw std::logic_error("REMESH: the solution and model arrays are not allocated for the mesh");
  GRADXY(run.nodes.PSI, models.GXPSI, models.GYPSI, mesh);
  try {
    std::vector<double> x = regrid_x ? REMAXIS(run, Axis::x, models.GXPSI) : mesh.X;
    std::vector<double> y = regrid_y ? REMAXIS(run, Axis::y, models.GYPSI) : mesh.Y;
    mesh.X = std::move(x);
    mesh.Y = std::move(y);
  } catch (const std::bad_alloc&) {
    sim::stop_at_once(" Not enough memory for arrays in REMESH ");
  }
  MESHGEO(run);
  DOPSET(run);
  POISSON(run, kRegridPoisson);
}

}  // namespace devora
