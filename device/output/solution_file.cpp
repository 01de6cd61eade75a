#include "device/output/solution_file.hpp"

#include <cmath>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "common/fatal_stop.hpp"
#include "common/finite.hpp"
#include "common/fixed_text.hpp"
#include "common/replace_file.hpp"
#include "common/run_header.hpp"
#include "device/physics/output_fields.hpp"

namespace devora {

namespace {

constexpr sim::Dop3dCodePair kOutlineCodes{0, 15};
constexpr sim::Dop3dCodePair kBlockCodes{22, 15};

// One node field of the file: its label, the internal array and the factor
// that brings it to physical units (negative for the field, which is minus
// the potential gradient).
struct FieldSource {
  std::string_view label;
  const std::vector<double>& values;
  double factor;
};

std::vector<FieldSource> field_sources(const DeviceRun& run) {
  const SCALE& s = run.scale;
  const NodeArrays& nd = run.nodes;
  const ModelArrays& m = run.models;
  const CarrierArrays& n = m.carrier.n;
  const CarrierArrays& p = m.carrier.p;
  return {
      {"Electrostatic potential (V)", nd.PSI, s.VT},
      {"Electron concentration (cm-3)", nd.ELEC, s.NI},
      {"Hole concentration (cm-3)", nd.HOLE, s.NI},
      {"Intrinsic concentration (cm-3)", nd.NIE, s.NI},
      {"Net Doping concentration (cm-3)", nd.NETD, s.NI},
      {"X-Current density (A/cm2)", m.JTX, s.J0},
      {"Y-Current density (A/cm2)", m.JTY, s.J0},
      {"X-Electric field (V/cm)", m.GXPSI, -s.E0},
      {"Y-Electric field (V/cm)", m.GYPSI, -s.E0},
      {"Net space charge density (cm-3)", m.RHO, s.NI},
      {"Impact Ionization Rate (sm-3/s)", m.GII, s.G0},
      {"X-Electron Current density (A/cm2)", n.JX, s.J0},
      {"Y-Electron Current density (A/cm2)", n.JY, s.J0},
      {"X-Electron Diffusion Current density (A/cm2)", n.JDIFX, s.J0},
      {"Y-Electron Diffusion Current density (A/cm2)", n.JDIFY, s.J0},
      {"X-Electron Drift Current density (A/cm2)", n.JDRX, s.J0},
      {"Y-Electron Drift Current density (A/cm2)", n.JDRY, s.J0},
      {"X-Hole Current density (A/cm2)", p.JX, s.J0},
      {"Y-Hole Current density (A/cm2)", p.JY, s.J0},
      {"X-Hole Diffusion Current density (A/cm2)", p.JDIFX, s.J0},
      {"Y-Hole Diffusion Current density (A/cm2)", p.JDIFY, s.J0},
      {"X-Hole Drift Current density (A/cm2)", p.JDRX, s.J0},
      {"Y-Hole Drift Current density (A/cm2)", p.JDRY, s.J0},
      {"Electron quasi-Fermi level (eV)", n.PHI, s.VT},
      {"Hole quasi-Fermi level (eV)", p.PHI, s.VT},
      {"Photogeneration Rate (cm-3/s)", m.GOPT, s.G0},
      {"SRH Recombination Rate (cm-3/s)", m.RSRH, s.G0},
      {"Auger Recombination Rate (cm-3/s)", m.RAUG, s.G0},
      {"Radiative Recombination Rate (cm-3/s)", m.RRAD, s.G0},
      {"Grain Boundary Recombination Rate (cm-3/s)", m.RGB, s.G0},
      {"Tunneling Generation/Recombination Rate (cm-3/s)", m.GBB, s.G0},
      {"Equilibrium Electron concentration (cm-3)", nd.ELEC0, s.NI},
      {"Equilibrium Hole concentration (cm-3)", nd.HOLE0, s.NI},
      {"Conduction band edge (e.V.)", m.EC, s.VT},
      {"Mid bandgap energy (e.V.)", m.EMID, s.VT},
      {"Valence band edge (e.V.)", m.EV, s.VT},
  };
}

void in_microns(const std::vector<double>& coordinates, double ldum, std::vector<double>& out) {
  out.resize(coordinates.size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = coordinates[i] * ldum;
}

// Every outline is a rectangle: its four corners, and the same corners once
// more as the one cell that fills it.
std::vector<sim::Dop3dRegion> outline_regions(const REGOUT& out) {
  if (out.NREG < 0 || out.NREG > kOutlineCapacity)
    throw std::invalid_argument("solution file: outline count out of range");
  std::vector<sim::Dop3dRegion> regions;
  regions.reserve(static_cast<std::size_t>(out.NREG));
  for (std::size_t r = 0; r < static_cast<std::size_t>(out.NREG); ++r) {
    if (out.REGNPT[r] != 4 || out.REGKND[r] != 1)
      throw std::invalid_argument("solution file: an outline is not one four-point cell");
    const auto& corners = out.REGPTS[r];
    sim::Dop3dCell cell;
    for (std::size_t c = 0; c < cell.size(); ++c) cell[c] = {corners[c].x, corners[c].y};
    regions.push_back({kOutlineCodes.first, kOutlineCodes.second, {cell.begin(), cell.end()}, {cell}});
  }
  return regions;
}

void fill_block(sim::Dop3dBlock& block, const FieldSource& src, std::size_t regions, std::size_t nodes) {
  if (src.values.size() != nodes) throw std::invalid_argument("solution file: field size differs from the mesh");
  block.label.assign(src.label);
  block.region_codes.assign(regions, kBlockCodes);
  block.mask.assign(nodes, 'T');  // every node carries a value, oxide nodes included
  block.values.resize(nodes);
  for (std::size_t k = 0; k < nodes; ++k) block.values[k] = src.values[k] * src.factor;
}

// The first quantity of the record that holds a NaN or an infinity (scaling
// to physical units can overflow a finite internal value), if any.
std::optional<std::string> first_non_finite_quantity(const sim::Dop3d& file) {
  if (!sim::all_finite(file.x)) return file.x_label;
  if (!sim::all_finite(file.y)) return file.y_label;
  for (const sim::Dop3dRegion& region : file.regions)
    for (const sim::Dop3dPoint& p : region.outline)
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) return "an electrode or oxide outline";
  for (const sim::Dop3dBlock& block : file.blocks)
    if (!sim::all_finite(block.values)) return block.label;
  return std::nullopt;
}

}  // namespace

void fill_solution_record(const DeviceRun& run, const std::string& title, sim::Dop3d& file) {
  file.title = title;
  in_microns(run.mesh.X, run.scale.LDUM, file.x);
  in_microns(run.mesh.Y, run.scale.LDUM, file.y);
  file.regions = outline_regions(run.regout);
  const std::vector<FieldSource> sources = field_sources(run);
  file.blocks.resize(sources.size());
  for (std::size_t b = 0; b < sources.size(); ++b)
    fill_block(file.blocks[b], sources[b], file.regions.size(), file.node_count());
}

sim::Dop3d solution_record(const DeviceRun& run, const std::string& title) {
  sim::Dop3d file;
  fill_solution_record(run, title, file);
  return file;
}

void write_solution(DeviceRun& run) {
  derive_output_fields(run);
  const ScopedSeconds timer(run.profile.write_seconds);
  WRSOLN(run, sim::FINFO(run.hdrtext));
}

void WRSOLN(DeviceRun& run, const std::string& title) {
  const std::string path(sim::rtrim(run.filenames.solution()));
  DeviceRun::OutputBuffers& b = run.output;
  try {
    fill_solution_record(run, title, b.solution);
    // A solution that is not finite must never replace the last good file.
    if (const auto quantity = first_non_finite_quantity(b.solution))
      sim::ERRSTOP(" Solution file " + path + " not written: " + *quantity +
                   " is not finite (NaN or Inf); the last file written is kept");
    sim::encode_dop3d(b.solution, b.bytes);
  } catch (const std::bad_alloc&) {
    sim::stop_at_once(" Number of nodes is too large, not enough memory");
  }
  sim::replace_file(path, b.bytes);
}

}  // namespace devora
