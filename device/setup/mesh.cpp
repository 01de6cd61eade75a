#include "device/setup/mesh.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/free_format.hpp"
#include "common/line_input.hpp"
#include "device/setup/interpolation.hpp"
#include "device/setup/mesh_geometry.hpp"
#include "device/setup/value_range.hpp"

namespace devora {

namespace {

constexpr int kRatioUpdates = 200000;     // fixed count: no convergence test
constexpr double kNearlyUniform = 0.99999; // largest first step, of the uniform step

std::string microns(double value) { return shown(value) + " microns"; }

double length_scale(const DeviceRun& run) {
  const double L = run.scale.LDUM;
  if (!(L > 0.0)) sim::ERRSTOP(" Mesh set-up before the length scale is known");
  return L;
}

// ---------------------------------------------------------------------------
// Mesh file: NX x coordinates, then NY y coordinates, in microns.

void read_axis(sim::FreeFormatReader& reader, std::vector<double>& c, const std::string& name) {
  switch (reader.read(std::span<double>(c))) {
    case sim::FreeReadStatus::ok: return;
    case sim::FreeReadStatus::end_of_file: sim::ERRSTOP(" End of mesh input file read " + name);
    case sim::FreeReadStatus::bad_value: sim::ERRSTOP(" Error reading mesh input file " + name);
  }
}

void read_mesh_file(DeviceRun& run) {
  const double L = length_scale(run);
  const std::string& name = run.filenames.mesh();
  // An input stream never creates the file it opens.
  std::ifstream in = sim::open_data_file(std::string(sim::rtrim(name)));
  if (!in) sim::ERRSTOP(" Cannot open mesh input file " + name);
  auto& m = run.mesh;
  m.X.assign(static_cast<std::size_t>(std::max(run.igrid.NX, 0)), 0.0);
  m.Y.assign(static_cast<std::size_t>(std::max(run.igrid.NY, 0)), 0.0);
  sim::FreeFormatReader reader(in);
  read_axis(reader, m.X, name);
  read_axis(reader, m.Y, name);  // starts on the line after the last x value
  // The spacings are inverted later: lines out of order are a broken file.
  if (!strictly_increasing(m.X) || !strictly_increasing(m.Y))
    sim::ERRSTOP(" Error reading mesh input file " + name);
  for (double& x : m.X) x /= L;
  for (double& y : m.Y) y /= L;
}

// ---------------------------------------------------------------------------
// Generated mesh: uniform in x, geometric in y from the top surface.

void check_generation_inputs(const DeviceRun& run) {
  const IGRID& g = run.igrid;
  const GEOM& geo = run.geom;
  const double L = run.scale.LDUM;
  if (g.NX < 2 || g.NY < 2)
    sim::ERRSTOP(" MESH: NX and NY must be at least 2 (NX = " + std::to_string(g.NX) +
                 ", NY = " + std::to_string(g.NY) + ")");
  if (!(geo.XX > 0.0)) sim::ERRSTOP(" MESH: XX must be positive (XX = " + microns(geo.XX * L) + ")");
  if (!(geo.YY > 0.0)) sim::ERRSTOP(" MESH: YY must be positive (YY = " + microns(geo.YY * L) + ")");
  if (!(geo.HY0 > 0.0)) sim::ERRSTOP(" MESH: HY0 must be positive (HY0 = " + microns(geo.HY0 * L) + ")");
}

// X(i) = XX*i/(NX-1), not a running sum: the last line lies on XX exactly,
// so an electrode ending at the device edge keeps its last column.
void generate_x(std::vector<double>& X, int nx, double xx) {
  X.assign(static_cast<std::size_t>(nx), 0.0);
  for (int i = 0; i < nx; ++i) X[i] = xx * static_cast<double>(i) / static_cast<double>(nx - 1);
  X.back() = xx;
}

// Ratio r of the steps HY0, HY0*r, ... that sum to YY over `steps` steps:
// the fixed point of r = (1 + YY*(r-1)/HY0)^(1/steps), from r = 2.
double geometric_ratio(double yy, double hy0, int steps) {
  double r = 2.0;
  const double exponent = 1.0 / static_cast<double>(steps);
  for (int k = 0; k < kRatioUpdates; ++k) r = std::pow(1.0 + yy * (r - 1.0) / hy0, exponent);
  return r;
}

void generate_y(std::vector<double>& Y, int ny, double yy, double& hy0) {
  Y.assign(static_cast<std::size_t>(ny), 0.0);
  const int steps = ny - 1;
  if (steps == 1) {
    // One step: it spans the device (the ratio update has no fixed point).
    Y[1] = yy;
    hy0 = yy;
    return;
  }
  const double hmax = kNearlyUniform * yy / static_cast<double>(steps);
  if (hy0 >= hmax) hy0 = hmax;
  const double r = geometric_ratio(yy, hy0, steps);
  hy0 = yy * (r - 1.0) / (std::pow(r, steps) - 1.0);  // steps sum to YY
  double h = hy0;
  for (int j = 0; j < steps; ++j) {
    Y[j + 1] = Y[j] + h;
    h *= r;
  }
  // The running sum misses YY by rounding (by 1e-12 for a nearly uniform
  // mesh); pinned, so the bottom row stays inside boxes that end at YY.
  Y.back() = yy;
}

void generate_mesh(DeviceRun& run) {
  check_generation_inputs(run);
  generate_x(run.mesh.X, run.igrid.NX, run.geom.XX);
  generate_y(run.mesh.Y, run.igrid.NY, run.geom.YY, run.geom.HY0);
}

}  // namespace

void RDMESH(DeviceRun& run) {
  if (run.igrid.READ != 1) {
    if (run.igrid.MESH == 1)
      read_mesh_file(run);
    else
      generate_mesh(run);
  }
  MESHGEO(run);
  check_electrodes_hold_nodes(run, "");
}

}  // namespace devora
