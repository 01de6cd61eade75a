#include "process/mesh.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/zederm.hpp"

namespace tavik {
namespace {

constexpr const char* kTooManyNodes = " Number of nodes is too large, not enough memory";

void zeroed(std::vector<float>& v, std::size_t n) { v.assign(n, 0.0f); }

void allocate_arrays(ProcessMesh& m, std::size_t nx, std::size_t ny, std::size_t nn,
                     std::size_t it) {
  for (auto* v : {&m.X, &m.rhx, &m.wx, &m.S, &m.YSURF, &m.ysurf_before_step, &m.south_dc,
                  &m.south_dx, &m.column_work})
    zeroed(*v, nx);
  for (auto* v : {&m.ISURF, &m.isurf_before_step, &m.isurf_last_step}) v->assign(nx, 1);
  for (auto* v : {&m.Y, &m.rhy, &m.wy, &m.epi_phos, &m.epi_bor, &m.epi_ars}) zeroed(*v, ny);
  for (auto* v : {&m.profile_depth, &m.profile_value}) zeroed(*v, ny + 2);
  for (auto* v : {&m.cdown, &m.cup, &m.cleft, &m.cright, &m.CPHOS, &m.CBOR, &m.CARS, &m.W,
                  &m.donor, &m.acceptor, &m.interp_donor, &m.interp_acceptor, &m.interp_arsenic,
                  &m.phos_start, &m.bor_start, &m.ars_start, &m.previous_iterate, &m.oed_factor,
                  &m.C0, &m.CM1, &m.CP1, &m.CMNX, &m.CPNX, &m.rhs, &m.solve_P, &m.solve_Q,
                  &m.solve_R, &m.LMNX, &m.LM1, &m.PIV, &m.LMNX1, &m.UPNX1, &m.UP1})
    zeroed(*v, nn);
  zeroed(m.residual_history, it);
}

// Position of mesh line k (0-based) of n lines on [0, length].
float uniform_line(int k, int n, float length) {
  return float(k) * length / float(n - 1);
}

// Geometric grading: length*(exp(a*t) - 1)/(exp(a) - 1), t = k/(n-1). For a
// grading so strong that exp(a) overflows, the same ratio is formed as
// exp(a*(t-1))*(1 - exp(-a*t))/(1 - exp(-a)), which stays finite.
float graded_line(int k, int n, float length, float a) {
  const float ea = std::exp(a);
  if (std::isfinite(length * ea))
    return length * (std::exp(a * float(k) / float(n - 1)) - 1.0f) / (ea - 1.0f);
  const float t = float(k) / float(n - 1);
  return length * std::exp(a * (t - 1.0f)) * (1.0f - std::exp(-a * t)) / (1.0f - std::exp(-a));
}

void place_lines(std::vector<float>& c, int n, float length, bool graded, float a) {
  for (int k = 0; k < n; ++k) c[k] = graded ? graded_line(k, n, length, a) : uniform_line(k, n, length);
}

// Control widths from the spacings, then the spacings replaced by their
// reciprocals (last entry 0). Coinciding lines would make a reciprocal
// infinite: such a mesh is refused.
void widths_and_inverse_spacings(const std::vector<float>& c, int n, std::vector<float>& h,
                                 std::vector<float>& w) {
  for (int k = 0; k + 1 < n; ++k) h[k] = c[k + 1] - c[k];
  h[n - 1] = 0.0f;
  w[0] = h[0] / 2.0f;
  for (int k = 1; k + 1 < n; ++k) w[k] = (h[k - 1] + h[k]) / 2.0f;
  w[n - 1] = h[n - 2] / 2.0f;
  for (int k = 0; k + 1 < n; ++k) {
    const float r = 1.0f / h[k];
    if (!(h[k] > 0.0f) || !std::isfinite(r)) sim::ERRSTOP(" Mesh spacing too small: mesh lines coincide");
    h[k] = r;
  }
}

void couplings(ProcessMesh& m) {
  for (int j = 1; j <= m.NY; ++j) {
    for (int i = 1; i <= m.NX; ++i) {
      const std::size_t n = m.node(i, j);
      m.cdown[n] = m.cup[n] = m.cleft[n] = m.cright[n] = 0.0f;
      if (j < m.NY) m.cdown[n] = m.wx[i - 1] * m.rhy[j - 1];
      if (j > 1) m.cup[n] = m.wx[i - 1] * m.rhy[j - 2];
      if (i > 1) m.cleft[n] = m.wy[j - 1] * m.rhx[i - 2];
      if (i < m.NX) m.cright[n] = m.wy[j - 1] * m.rhx[i - 1];
    }
  }
}

}  // namespace

void MESHSET(ProcessMesh& mesh, int NX, int NY, int IT) {
  if (mesh.allocated) sim::stop_at_once(kTooManyNodes);
  if (NX < 2 || NY < 2) sim::stop_at_once(" Mesh needs at least 2 lines along x and along y");
  const std::int64_t nn = std::int64_t(NX) * std::int64_t(NY);
  if (nn > std::numeric_limits<int>::max()) sim::stop_at_once(kTooManyNodes);
  try {
    allocate_arrays(mesh, std::size_t(NX), std::size_t(NY), std::size_t(nn),
                    std::size_t(residual_history_length(IT)));
  } catch (const std::bad_alloc&) {
    sim::stop_at_once(kTooManyNodes);
  } catch (const std::length_error&) {
    sim::stop_at_once(kTooManyNodes);
  }
  mesh.NX = NX;
  mesh.NY = NY;
  mesh.NN = int(nn);
  mesh.JSMAX = 1;
  mesh.allocated = true;
}

int residual_history_length(int IT) { return std::clamp(IT, 2, sim::zederm_iteration_cap); }

void MESHGEN(ProcessMesh& mesh, int IM, float AX, float AY, float XX, float YY) {
  if (!mesh.allocated) sim::ERRSTOP(" MESH statement missing: no mesh to work on");
  if (!(XX > 0.0f) || !(YY > 0.0f) || !std::isfinite(XX) || !std::isfinite(YY))
    sim::ERRSTOP(" Mesh width XX and depth YY must be positive");
  const bool graded_x = IM <= 0 && AX > 0.01f;
  const bool graded_y = IM <= 0 && AY > 0.01f;
  place_lines(mesh.X, mesh.NX, XX, graded_x, AX);
  place_lines(mesh.Y, mesh.NY, YY, graded_y, AY);
  if (graded_y) {
    mesh.X[mesh.NX - 1] = XX;
    mesh.Y[mesh.NY - 1] = YY;
  }
  widths_and_inverse_spacings(mesh.X, mesh.NX, mesh.rhx, mesh.wx);
  widths_and_inverse_spacings(mesh.Y, mesh.NY, mesh.rhy, mesh.wy);
  couplings(mesh);
}

}  // namespace tavik
