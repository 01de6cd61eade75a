#include "device/setup/doping_files.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <fstream>
#include <new>
#include <stdexcept>
#include <vector>

#include "common/dop3d.hpp"
#include "common/fatal_stop.hpp"
#include "common/fixed_text.hpp"
#include "common/free_format.hpp"
#include "common/line_input.hpp"
#include "device/setup/interpolation.hpp"
#include "device/setup/value_range.hpp"

namespace devora {

namespace {

// Donor and acceptor densities are the third and fourth blocks of a field file.
constexpr std::size_t kDonorBlock = 2;
constexpr std::size_t kAcceptorBlock = 3;

// Densities in cm-3 that stay within the solvers' range once divided by ni_ref.
bool usable_densities(std::span<const double> v, double ni_ref) {
  return std::all_of(v.begin(), v.end(), [ni_ref](double a) { return usable_doping(a / ni_ref); });
}

// ---- text depth profile -------------------------------------------------------

struct DepthProfile {
  std::vector<double> depth;          // internal length units after placing
  std::vector<double> concentration;  // units of ni_ref after scaling
};

[[noreturn]] void bad_profile_file(const std::string& name) {
  sim::ERRSTOP(" Check ASCII doping file " + name);
}

// Records of two numbers (one free-format READ each) up to the end of the
// file; a record cut short by the end of the file or holding a field that is
// not a number is a bad file, and so is one with no record.
DepthProfile read_depth_profile(const std::string& name) {
  std::ifstream in = sim::open_data_file(std::string(sim::rtrim(name)));
  if (!in) bad_profile_file(name);
  sim::FreeFormatReader reader(in);
  DepthProfile profile;
  std::array<double, 2> record{};
  for (;;) {
    const sim::FreeReadStatus status = reader.read(std::span<double>(record));
    if (status == sim::FreeReadStatus::end_of_file && reader.values_read() == 0) break;
    if (status != sim::FreeReadStatus::ok) bad_profile_file(name);
    profile.depth.push_back(record[0]);
    profile.concentration.push_back(record[1]);
  }
  if (profile.depth.empty() || !strictly_increasing(profile.depth)) bad_profile_file(name);
  return profile;
}

// Depths to internal units, the first one moved to ytop.
void place_depths(std::vector<double>& depth, double ytop, double ldum) {
  for (double& d : depth) d /= ldum;
  const double shift = ytop - depth.front();
  for (double& d : depth) d += shift;
}

// Concentrations in units of ni_ref and, for an acceptor profile, as
// magnitudes; true when the profile is negative. Both signs stop the run,
// and so does a value beyond the solvers' range.
bool scale_to_magnitudes(std::vector<double>& concentration, double ni_ref, const std::string& name) {
  double largest = 0.0, smallest = 0.0;
  for (double& c : concentration) {
    c /= ni_ref;
    if (!usable_doping(c)) bad_profile_file(name);
    largest = std::max(largest, c);
    smallest = std::min(smallest, c);
  }
  if (smallest < 0.0 && largest > 0.0) sim::ERRSTOP(" Concentration change sign in doping file " + name);
  const bool negative = smallest < 0.0;
  if (negative)
    for (double& c : concentration) c = std::abs(c);
  return negative;
}

// ---- field file -----------------------------------------------------------------

[[noreturn]] void bad_field_file(const std::string& name) { sim::ERRSTOP(" Check input doping file " + name); }

// Node masks hold only "T" and "F". A region count that disagrees with the
// region records puts binary region or value bytes into the masks, so this
// finds records read from the wrong place (bytes after the record are allowed).
bool masks_are_node_masks(const sim::Dop3d& file) {
  return std::all_of(file.blocks.begin(), file.blocks.end(), [](const sim::Dop3dBlock& b) {
    return b.mask.find_first_not_of("TF") == std::string::npos;
  });
}

sim::Dop3d read_field_file(const std::string& name, double ni_ref) {
  sim::Dop3d file;
  try {
    file = sim::read_dop3d(std::string(sim::rtrim(name)), sim::Dop3dTrailingBytes::ignore);
  } catch (const sim::Dop3dError&) {
    bad_field_file(name);
  }
  if (file.blocks.size() <= kAcceptorBlock || !masks_are_node_masks(file) || !strictly_increasing(file.x) ||
      !strictly_increasing(file.y) ||
      !usable_densities(file.blocks[kDonorBlock].values, ni_ref) ||
      !usable_densities(file.blocks[kAcceptorBlock].values, ni_ref))
    bad_field_file(name);
  return file;
}

// Table positions of the device mesh lines in one axis of the file's mesh.
struct AxisPositions {
  std::vector<double> weights;
  std::vector<std::size_t> indices;

  AxisPositions(std::span<const double> file_axis, std::span<const double> device_axis)
      : weights(device_axis.size(), 0.0), indices(device_axis.size(), 0) {
    INTERPW(file_axis, device_axis, weights, indices);
  }
};

}  // namespace

void RDASCDOP(std::span<double> out, const std::string& file_name, int nx, std::span<const double> y,
              double ytop, double ni_ref, double ldum) {
  const std::size_t columns = static_cast<std::size_t>(std::max(nx, 0));
  if (out.size() < columns * y.size()) throw std::invalid_argument("RDASCDOP: output smaller than the mesh");
  if (!(ni_ref > 0.0) || !(ldum > 0.0)) throw std::invalid_argument("RDASCDOP: scales must be positive");
  const std::string name = sim::fixed(file_name, sim::kTextWidth);
  try {
    DepthProfile profile = read_depth_profile(name);
    place_depths(profile.depth, ytop, ldum);
    if (!strictly_increasing(profile.depth)) bad_profile_file(name);  // overflowed or merged by the scaling
    const bool negative = scale_to_magnitudes(profile.concentration, ni_ref, name);
    const AxisPositions rows(profile.depth, y);
    std::vector<double> row_value(y.size(), 0.0);
    RATIOG(profile.concentration, row_value, rows.weights, rows.indices, true);
    if (negative)
      for (double& v : row_value) v = -v;
    for (std::size_t j = 0; j < y.size(); ++j)
      std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(j * columns), columns, row_value[j]);
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(" Not enough memory for A-DOPING ");
  }
}

void RDDOP3D(const std::string& file_name, std::span<double> donor, std::span<double> acceptor,
             std::span<const double> x_um, std::span<const double> y_um, double ni_ref) {
  const std::size_t nodes = x_um.size() * y_um.size();
  if (donor.size() < nodes || acceptor.size() < nodes)
    throw std::invalid_argument("RDDOP3D: output smaller than the mesh");
  const std::string name = sim::fixed(file_name, sim::kTextWidth);
  try {
    sim::Dop3d file = read_field_file(name, ni_ref);
    const AxisPositions columns(file.x, x_um);
    const AxisPositions rows(file.y, y_um);
    INTERP2(file.blocks[kDonorBlock].values, donor, columns.weights, rows.weights, columns.indices,
            rows.indices, file.nx(), file.ny(), x_um.size(), y_um.size(), true);
    INTERP2(file.blocks[kAcceptorBlock].values, acceptor, columns.weights, rows.weights, columns.indices,
            rows.indices, file.nx(), file.ny(), x_um.size(), y_um.size(), true);
  } catch (const std::bad_alloc&) {
    sim::ERRSTOP(" Not enough memory for doping arrays");
  }
}

}  // namespace devora
