#include "process/doping_file.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>

#include "common/fatal_stop.hpp"
#include "common/replace_file.hpp"

namespace tavik {

namespace {

// The internal dopant unit, as the 4-byte real that the fields are scaled by.
constexpr float kDopantUnit = 1e20f;

constexpr sim::Dop3dCodePair kRegionCodes{0, 15};
constexpr sim::Dop3dCodePair kArsenicCodes{0, 22};

void require(bool condition, const char* what) {
  if (!condition) throw std::invalid_argument(std::string("doping file: ") + what);
}

void check_sizes(const ProcessMeshView& mesh, std::size_t k, const DopantFields& dopants,
                 const CarrierDopingView& doping) {
  require(!mesh.x.empty() && !mesh.y.empty(), "empty mesh");
  require(mesh.oxide_boundary.size() == mesh.x.size(), "oxide boundary per column");
  for (auto field : {dopants.phosphorus, dopants.boron, dopants.arsenic, doping.donor,
                     doping.acceptor, doping.interp_donor, doping.interp_acceptor})
    require(field.size() == k, "field size differs from the node count");
}

// The oxide above the silicon: outline along the boundary S, one four-point
// cell per column interval. Columns without oxide give zero-height outline parts and cells,
// written all the same.
sim::Dop3dRegion oxide_region(const ProcessMeshView& mesh) {
  const std::size_t nx = mesh.x.size();
  const double top = mesh.y[0];
  auto boundary_point = [&](std::size_t i) {
    return sim::Dop3dPoint{mesh.x[i], mesh.oxide_boundary[i]};
  };
  sim::Dop3dRegion region{kRegionCodes.first, kRegionCodes.second, {}, {}};
  region.outline.reserve(nx + 2);
  region.outline.push_back({mesh.x[0], top});
  for (std::size_t i = 0; i < nx; ++i) region.outline.push_back(boundary_point(i));
  region.outline.push_back({mesh.x[nx - 1], top});
  region.cells.reserve(nx - 1);
  for (std::size_t i = 0; i + 1 < nx; ++i)
    region.cells.push_back({sim::Dop3dPoint{mesh.x[i], top}, boundary_point(i),
                            boundary_point(i + 1), sim::Dop3dPoint{mesh.x[i + 1], top}});
  return region;
}

// "F" inside the oxide (y(j) < S(i)), "T" in the silicon.
std::string node_mask(const ProcessMeshView& mesh) {
  const std::size_t nx = mesh.x.size();
  const std::size_t ny = mesh.y.size();
  std::string mask(nx * ny, 'T');
  for (std::size_t i = 0; i < nx; ++i)
    for (std::size_t j = 0; j < ny; ++j)
      if (mesh.y[j] < mesh.oxide_boundary[i]) mask[i + j * nx] = 'F';
  return mask;
}

sim::Dop3dBlock block(std::string_view label, sim::Dop3dCodePair codes, const std::string& mask,
                      std::vector<double> values) {
  return {std::string(label), {codes}, mask, std::move(values)};
}

// A dopant field in cm-3: the 4-byte unit widened, then multiplied in 8 bytes.
std::vector<double> dopant_in_cm3(std::span<const float> field) {
  std::vector<double> v(field.size());
  for (std::size_t k = 0; k < field.size(); ++k)
    v[k] = static_cast<double>(field[k]) * static_cast<double>(kDopantUnit);
  return v;
}

// Net and total doping from the 4-byte donor and acceptor values, formed in
// 4-byte arithmetic and widened.
std::vector<double> combined(std::span<const float> donor, std::span<const float> acceptor,
                             float acceptor_sign) {
  std::vector<double> v(donor.size());
  for (std::size_t k = 0; k < donor.size(); ++k)
    v[k] = static_cast<double>(donor[k] + acceptor_sign * acceptor[k]);
  return v;
}

std::vector<double> widened(std::span<const float> field) {
  return sim::widen_to_double(field);
}

bool finite_values(std::span<const float> field) {
  return std::all_of(field.begin(), field.end(), [](float v) { return std::isfinite(v); });
}

// Every value of the record formed in 4-byte reals is finite: the oxide
// boundary, the donor and acceptor fields as found and interpolated, and
// their net and total. The dopant blocks are widened before they are
// scaled, so they stay finite with finite dopants.
bool record_values_finite(const ProcessMeshView& mesh, const CarrierDopingView& doping) {
  if (!finite_values(mesh.oxide_boundary)) return false;
  for (auto field : {doping.donor, doping.acceptor, doping.interp_donor, doping.interp_acceptor})
    if (!finite_values(field)) return false;
  for (std::size_t k = 0; k < doping.donor.size(); ++k) {
    const float donor = doping.donor[k], acceptor = doping.acceptor[k];
    if (!std::isfinite(donor - acceptor) || !std::isfinite(donor + acceptor)) return false;
  }
  return true;
}

}  // namespace

sim::Dop3d doping_file_record(std::string_view title, const ProcessMeshView& mesh,
                              const DopantFields& dopants, const CarrierDopingView& doping) {
  const std::size_t k = mesh.x.size() * mesh.y.size();
  check_sizes(mesh, k, dopants, doping);

  std::string mask;
  try {
    mask = node_mask(mesh);
  } catch (const std::bad_alloc&) {
    sim::stop_at_once(" Number of nodes is too large, not enough memory");
  }

  sim::Dop3d file;
  file.title = std::string(title);
  file.x = widened(mesh.x);
  file.y = widened(mesh.y);
  file.regions.push_back(oxide_region(mesh));
  file.blocks.reserve(9);
  file.blocks.push_back(block("Net doping concentration (cm-3)", kRegionCodes, mask,
                              combined(doping.donor, doping.acceptor, -1.0f)));
  file.blocks.push_back(block("Total doping concentration (cm-3)", kRegionCodes, mask,
                              combined(doping.donor, doping.acceptor, 1.0f)));
  file.blocks.push_back(
      block("Donor concentration (cm-3)", kRegionCodes, mask, widened(doping.donor)));
  file.blocks.push_back(
      block("Acceptor concentration (cm-3)", kRegionCodes, mask, widened(doping.acceptor)));
  file.blocks.push_back(block("Phosphorus concentration (cm-3)", kRegionCodes, mask,
                              dopant_in_cm3(dopants.phosphorus)));
  file.blocks.push_back(
      block("Boron concentration (cm-3)", kRegionCodes, mask, dopant_in_cm3(dopants.boron)));
  file.blocks.push_back(block("Arsenic concentration (cm-3)", kArsenicCodes, mask,
                              dopant_in_cm3(dopants.arsenic)));
  file.blocks.push_back(block("Interpolated donor concentration (cm-3)", kRegionCodes, mask,
                              widened(doping.interp_donor)));
  file.blocks.push_back(block("Interpolated acceptor concentration (cm-3)", kRegionCodes, mask,
                              widened(doping.interp_acceptor)));
  return file;
}

void WRDOP3D(const std::filesystem::path& file, std::string_view title, const ProcessMeshView& mesh,
             const DopantFields& dopants, const CarrierDopingView& doping) {
  sim::Dop3d record;
  std::string bytes;
  try {
    record = doping_file_record(title, mesh, dopants, doping);
    bytes = sim::encode_dop3d(record);
  } catch (const std::bad_alloc&) {
    sim::stop_at_once(" Number of nodes is too large, not enough memory");
  }
  sim::replace_file(file, bytes);
}

// ---- interpolation onto the shifted surface --------------------------------

namespace {

// log-linear interpolation between (za, ca) and (zb, cb) at depth t, za < t < zb.
// A logarithm needs positive values: with either end <= 0 the result is 0.
float log_interpolate(float za, float ca, float zb, float cb, float t) {
  if (!(ca > 0.0f) || !(cb > 0.0f)) return 0.0f;
  const float log_c = ((zb - t) * std::log(ca) + (t - za) * std::log(cb)) / (zb - za);
  return std::exp(log_c);  // lies between ca and cb: no overflow
}

struct DepthProfile {
  std::vector<float> z;  // depth below the silicon surface
  std::vector<float> c;
};

// Column i's profile from the surface row s (from 1) at surface depth d
// downwards. A surface above y(s) gets a point at depth 0 and one at y(s)-d,
// both with the surface-row value.
void column_profile(DepthProfile& p, std::span<const float> y, std::span<const float> C, int nx,
                    int i, int s, float d) {
  const int ny = static_cast<int>(y.size());
  auto value = [&](int row) { return C[static_cast<std::size_t>(i + (row - 1) * nx)]; };
  p.z.clear();
  p.c.clear();
  p.z.push_back(0.0f);
  p.c.push_back(value(s));
  if (d < y[s - 1]) {
    p.z.push_back(y[s - 1] - d);
    p.c.push_back(value(s));
  }
  for (int row = s + 1; row <= ny; ++row) {
    p.z.push_back(y[row - 1] - d);
    p.c.push_back(value(row));
  }
}

// The profile's value at depth t: log-linear in the first interval
// z(k) <= t <= z(k+1) that holds t, the surface value when none does.
// Queries come in non-decreasing depth down a column, and then the first
// interval that holds a depth never lies before the one that held the
// previous depth: the search goes on from there, so a column costs O(NY)
// and gives the values a search from the top would.
class ProfileWalk {
 public:
  explicit ProfileWalk(const DepthProfile& p) : p_(p) {}

  float value_at(float t) {
    for (std::size_t k = k_; k + 1 < p_.z.size(); ++k) {
      if (!(p_.z[k] <= t && t <= p_.z[k + 1])) continue;
      k_ = k;
      if (t == p_.z[k + 1]) return p_.c[k + 1];
      return log_interpolate(p_.z[k], p_.c[k], p_.z[k + 1], p_.c[k + 1], t);
    }
    return p_.c[0];
  }

 private:
  const DepthProfile& p_;
  std::size_t k_ = 0;
};

}  // namespace

void INTPDOP(int NX, int NY, std::span<const float> y, std::span<const float> C,
             std::span<float> out, std::span<const float> y0, const std::vector<int>& js) {
  require(NX >= 1 && NY >= 1 && y.size() == static_cast<std::size_t>(NY), "mesh size");
  const auto k = static_cast<std::size_t>(NX) * static_cast<std::size_t>(NY);
  require(C.size() == k && out.size() == k, "field size differs from the node count");
  require(y0.size() == static_cast<std::size_t>(NX) && js.size() == static_cast<std::size_t>(NX),
          "surface data per column");

  DepthProfile profile;
  profile.z.reserve(static_cast<std::size_t>(NY) + 1);
  profile.c.reserve(static_cast<std::size_t>(NY) + 1);
  const float bottom = y[static_cast<std::size_t>(NY - 1)];
  for (int i = 0; i < NX; ++i) {
    const int s = js[static_cast<std::size_t>(i)];
    require(s >= 1 && s <= NY, "surface row outside the mesh");
    const float d = y0[static_cast<std::size_t>(i)];
    column_profile(profile, y, C, NX, i, s, d);
    out[static_cast<std::size_t>(i)] = profile.c[0];
    ProfileWalk walk(profile);
    for (int j = 2; j <= NY; ++j) {
      const float t = y[static_cast<std::size_t>(j - 1)];
      const auto node = static_cast<std::size_t>(i + (j - 1) * NX);
      // Rows the shifted profile no longer reaches take the bottom value.
      out[node] = (bottom - d <= t) ? C[static_cast<std::size_t>(i + (NY - 1) * NX)]
                                    : walk.value_at(t);
    }
  }
}

// ---- step output ----------------------------------------------------------

bool OUTSTEP(const std::filesystem::path& file, int IB, int oxidation_count,
             int& interpolation_state, const ProcessMeshView& mesh, const DopantFields& dopants,
             std::string_view title, const CarrierDoping& doping, std::span<const float> y0,
             const std::vector<int>& js, sim::Console& console) {
  const std::size_t k = mesh.x.size() * mesh.y.size();
  check_sizes(mesh, k, dopants, doping.view());

  if (oxidation_count != 0) interpolation_state = 2;

  for (std::size_t n = 0; n < k; ++n) {
    doping.donor[n] = (dopants.phosphorus[n] + dopants.arsenic[n]) * kDopantUnit;
    doping.acceptor[n] = dopants.boron[n] * kDopantUnit;
  }

  if (interpolation_state == 2) {
    const int nx = static_cast<int>(mesh.x.size());
    const int ny = static_cast<int>(mesh.y.size());
    std::vector<float> arsenic_shifted(k);
    INTPDOP(nx, ny, mesh.y, dopants.phosphorus, doping.interp_donor, y0, js);
    INTPDOP(nx, ny, mesh.y, dopants.arsenic, arsenic_shifted, y0, js);
    INTPDOP(nx, ny, mesh.y, dopants.boron, doping.interp_acceptor, y0, js);
    for (std::size_t n = 0; n < k; ++n) {
      doping.interp_donor[n] = (doping.interp_donor[n] + arsenic_shifted[n]) * kDopantUnit;
      doping.interp_acceptor[n] = doping.interp_acceptor[n] * kDopantUnit;
    }
  } else {
    std::copy(doping.donor.begin(), doping.donor.end(), doping.interp_donor.begin());
    std::copy(doping.acceptor.begin(), doping.acceptor.end(), doping.interp_acceptor.begin());
  }

  if (!record_values_finite(mesh, doping.view())) return false;
  WRDOP3D(file, title, mesh, dopants, doping.view());

  if (IB == 0) {
    console.out << " Press <Enter> to continue " << '\n';
    console.wait_for_enter();
  }
  return true;
}

}  // namespace tavik
