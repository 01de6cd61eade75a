#include "device/physics/doping_terms.hpp"

#include "device/physics/mobility.hpp"
#include "device/physics/recombination.hpp"

namespace devora {

namespace {

constexpr int kLombardiModel = 3;

// The edge doping is the mean total doping of the edge's two nodes, as the
// continuity assembly hands it to the mobility model.
void lombardi_edges(const DeviceRun& run, Carrier k, DopingTermArrays::EdgeTerms& t) {
  const MeshArrays& m = run.mesh;
  const std::vector<double>& totd = run.nodes.TOTD;
  const std::size_t nx = m.X.size(), ny = m.Y.size(), n = nx * ny;
  for (auto* v : {&t.acoustic_x, &t.bulk_x, &t.acoustic_y, &t.bulk_y}) v->assign(n, 0.0);
  const LombardiSet& set = run.mobkib[k];
  const double temp = run.recomb.TEMP, ni = run.scale.NI;
  for (std::size_t j = 0; j < ny; ++j)
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t c = j * nx + i;
      if (i + 1 < nx) {
        const LombardiDopingTerms d = lombardi_doping_terms(set, k, (totd[c] + totd[c + 1]) / 2.0, temp, ni);
        t.acoustic_x[c] = d.acoustic;
        t.bulk_x[c] = d.bulk;
      }
      if (j + 1 < ny) {
        const LombardiDopingTerms d = lombardi_doping_terms(set, k, (totd[c] + totd[c + nx]) / 2.0, temp, ni);
        t.acoustic_y[c] = d.acoustic;
        t.bulk_y[c] = d.bulk;
      }
    }
}

}  // namespace

void update_doping_terms(DeviceRun& run) {
  DopingTermArrays& t = run.doping_terms;
  if (t.generation == run.doping_generation) return;
  if (run.igrid.MOBMOD == kLombardiModel) {
    lombardi_edges(run, Carrier::electrons, t.lombardi.n);
    lombardi_edges(run, Carrier::holes, t.lombardi.p);
  }
  const std::vector<double>& totd = run.nodes.TOTD;
  t.TAUN.resize(totd.size());
  t.TAUP.resize(totd.size());
  for (std::size_t c = 0; c < totd.size(); ++c) {
    const Lifetimes l = doping_lifetimes(run.recomb, totd[c]);
    t.TAUN[c] = l.tau_n;
    t.TAUP[c] = l.tau_p;
  }
  t.generation = run.doping_generation;
}

}  // namespace devora
