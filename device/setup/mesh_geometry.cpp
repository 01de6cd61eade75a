#include "device/setup/mesh_geometry.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "device/setup/interpolation.hpp"
#include "device/setup/value_range.hpp"

namespace devora {

namespace {

constexpr double kOutlineFraction = 10.0;      // outline thickness: boundary control width / 10
constexpr double kCoverageTolerance = 1e-12;   // relative to the device width

// The spacings are inverted, so every axis needs at least two distinct
// lines in increasing order.
void check_mesh_lines(const DeviceRun& run) {
  const auto& m = run.mesh;
  const int nx = run.igrid.NX, ny = run.igrid.NY;
  const bool sized = nx >= 2 && ny >= 2 && m.X.size() == static_cast<std::size_t>(nx) &&
                     m.Y.size() == static_cast<std::size_t>(ny);
  if (!sized || !strictly_increasing(m.X) || !strictly_increasing(m.Y))
    sim::ERRSTOP(" Mesh lines missing or not strictly increasing (NX = " + std::to_string(nx) +
                 ", NY = " + std::to_string(ny) + ")");
}

// Cell areas and couplings are products of spacings: lines so close that a
// spacing's square underflows (or so far apart that it overflows) cannot be
// solved on.
void check_spacings(std::span<const double> c, char axis, double length_scale) {
  for (std::size_t i = 0; i + 1 < c.size(); ++i) {
    const double h = c[i + 1] - c[i];
    if (square_is_normal(h)) continue;
    sim::ERRSTOP(" Mesh: " + std::string(1, axis) + " lines " + std::to_string(i + 1) + " and " +
                 std::to_string(i + 2) + " are " + shown(h * length_scale) +
                 " microns apart, beyond what 8-byte arithmetic can carry");
  }
}

bool is_contact_type(int type) { return type == kOhmic || type == kSchottky || type == kGate; }
bool on_bottom(int loc) { return loc == 2; }

// ETOP/EBOT: the electrode (1-based row) on the top and bottom node of each
// column; a later electrode overwrites an earlier one. The tolerance keeps
// a column that an electrode edge meets up to rounding.
void map_electrodes_to_columns(DeviceRun& run) {
  auto& m = run.mesh;
  const ELECTAB& e = run.electab;
  const std::size_t nx = m.X.size();
  m.ETOP.assign(nx, 0);
  m.EBOT.assign(nx, 0);
  const double tol = kCoverageTolerance * std::abs(run.geom.XX);
  for (std::size_t i = 0; i < nx; ++i) {
    for (int k = 0; k < e.NEL; ++k) {
      if (!is_contact_type(e.TYPE[k])) continue;
      if (!(e.XLT[k] - tol <= m.X[i] && m.X[i] <= e.XRT[k] + tol)) continue;
      (on_bottom(e.LOC[k]) ? m.EBOT[i] : m.ETOP[i]) = k + 1;
    }
  }
}

void set_outline(REGOUT& out, int slot, double left, double right, double y_outer, double y_inner,
                 double length_scale) {
  out.REGPTS[slot] = {{{left * length_scale, y_outer * length_scale},
                       {left * length_scale, y_inner * length_scale},
                       {right * length_scale, y_inner * length_scale},
                       {right * length_scale, y_outer * length_scale}}};
  out.REGNPT[slot] = 4;
  out.REGKND[slot] = 1;
}

// Electrodes first (a thin strip on their surface, one tenth of the
// boundary control width thick), then the oxide boxes; all in microns.
void write_outlines(DeviceRun& run) {
  const ELECTAB& e = run.electab;
  const OXIDE& ox = run.oxide;
  if (e.NEL + ox.NOXR > kOutlineCapacity) sim::ERRSTOP("Number of regions is limited to 20");
  const double L = run.scale.LDUM, yy = run.geom.YY;
  const auto& m = run.mesh;
  for (int k = 0; k < e.NEL; ++k) {
    const bool bottom = on_bottom(e.LOC[k]);
    const double y_outer = bottom ? yy : 0.0;
    const double y_inner = bottom ? yy - m.WY.back() / kOutlineFraction : m.WY.front() / kOutlineFraction;
    set_outline(run.regout, k, e.XLT[k], e.XRT[k], y_outer, y_inner, L);
  }
  run.regout.NREG = e.NEL + ox.NOXR;
  for (int j = 0; j < ox.NOXR; ++j)
    set_outline(run.regout, e.NEL + j, ox.XLFT[j], ox.XRGT[j], ox.YTOP[j], ox.YBOT[j], L);
}

// EFIRST/ELAST: first and last column (1-based) whose top or bottom node the
// electrode holds; untouched when it holds none.
void find_electrode_columns(DeviceRun& run) {
  ELECTAB& e = run.electab;
  const auto& m = run.mesh;
  for (int k = 0; k < e.NEL; ++k) {
    int first = 0, last = 0;
    for (std::size_t i = 0; i < m.ETOP.size(); ++i) {
      if (m.ETOP[i] != k + 1 && m.EBOT[i] != k + 1) continue;
      if (first == 0) first = static_cast<int>(i) + 1;
      last = static_cast<int>(i) + 1;
    }
    if (first == 0) continue;
    e.EFIRST[k] = first;
    e.ELAST[k] = last;
  }
}

}  // namespace

void MESHDX(std::span<const double> c, std::span<double> h, std::span<double> w) {
  const std::size_t n = c.size();
  if (n == 0) return;
  for (std::size_t i = 0; i + 1 < n; ++i) h[i] = c[i + 1] - c[i];
  h[n - 1] = 0.0;
  w[0] = h[0] / 2.0;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    w[i + 1] = (h[i] + h[i + 1]) / 2.0;
    h[i] = 1.0 / h[i];
  }
}

void check_electrodes_hold_nodes(const DeviceRun& run, std::string_view when) {
  const ELECTAB& e = run.electab;
  const auto& m = run.mesh;
  for (std::size_t k = 0; k < static_cast<std::size_t>(e.NEL); ++k) {
    const int row = static_cast<int>(k) + 1;
    const auto holds = [row](int owner) { return owner == row; };
    if (!is_contact_type(e.TYPE[k]) || std::any_of(m.ETOP.begin(), m.ETOP.end(), holds) ||
        std::any_of(m.EBOT.begin(), m.EBOT.end(), holds))
      continue;
    const double L = run.scale.LDUM;
    sim::ERRSTOP(" Electrode " + std::string(sim::rtrim(e.NAME[k])) + " (number " + std::to_string(row) +
                 ") holds no mesh node" + std::string(when) + ": no mesh line of the device (x from " +
                 shown(m.X.front() * L) + " to " + shown(m.X.back() * L) + " microns) lies in its window XLT = " +
                 shown(e.XLT[k] * L) + " to XRT = " + shown(e.XRT[k] * L) +
                 " microns, or later electrodes hold them all");
  }
}

void MESHGEO(DeviceRun& run) {
  check_mesh_lines(run);
  auto& m = run.mesh;
  check_spacings(m.X, 'x', run.scale.LDUM);
  check_spacings(m.Y, 'y', run.scale.LDUM);
  for (auto* a : {&m.HX, &m.WX}) a->assign(m.X.size(), 0.0);
  for (auto* a : {&m.HY, &m.WY}) a->assign(m.Y.size(), 0.0);
  MESHDX(m.X, m.HX, m.WX);
  MESHDX(m.Y, m.HY, m.WY);
  run.geom.XX = m.X.back();
  run.geom.YY = m.Y.back();
  map_electrodes_to_columns(run);
  write_outlines(run);
  find_electrode_columns(run);
}

}  // namespace devora
