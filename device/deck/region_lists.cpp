// Region lists: oxide regions (OXID), recombination regions (RCMR) and
// regridding regions (REME). Each list fills its fixed table from region 1;
// a later list of the same keyword starts again at region 1.
#include "common/statement_table.hpp"
#include "device/deck/list_reader.hpp"
#include "device/deck/list_statements.hpp"

namespace devora {

namespace {

constexpr std::size_t at(int item) { return static_cast<std::size_t>(item - 1); }

}  // namespace

void read_oxide_list(DeviceRun& run, sim::DeckReader& reader, int k) {
  OXIDE& o = run.oxide;
  const ListRules rules{{kOXID}, kOxideCapacity, "regions"};
  // The permittivity defaults to the insulator value current at this point.
  const auto prepare = [&](int, int item) {
    const std::size_t r = at(item);
    o.PMOX[r] = run.scale.EPSD;
    for (auto* f : {&o.XLFT, &o.XRGT, &o.YTOP, &o.YBOT, &o.QOXL, &o.QOXR, &o.QOXT, &o.QOXB, &o.VNOL,
                    &o.VNOR, &o.VNOT, &o.VNOB, &o.VPOL, &o.VPOR, &o.VPOT, &o.VPOB})
      (*f)[r] = 0.0;
    o.NXOX[r] = 5;
    o.NYOX[r] = 5;
  };
  const auto store = [&](int, int item) {
    const std::size_t r = at(item);
    sim::STORPAR(run.params, 0,
                 {&o.PMOX[r], &o.XLFT[r], &o.XRGT[r], &o.YTOP[r], &o.YBOT[r], &o.QOXL[r], &o.QOXR[r],
                  &o.QOXT[r], &o.QOXB[r], &o.VNOL[r], &o.VNOR[r], &o.VNOT[r], &o.VNOB[r], &o.VPOL[r],
                  &o.VPOR[r], &o.VPOT[r], &o.VPOB[r]});
    sim::STORPAR(run.params, 18, {&o.NXOX[r], &o.NYOX[r]});  // slot 18 (COMM) is a comment
  };
  o.NOXR = read_list(run, reader, k, rules, prepare, store);
}

void read_recombination_list(DeviceRun& run, sim::DeckReader& reader, int k) {
  RCMRG& g = run.rcmrg;
  const ListRules rules{{kRCMR}, kRecombRegionCapacity, "regions"};
  const auto prepare = [&](int, int item) {
    const std::size_t r = at(item);
    for (auto* f : {&g.XLFT, &g.XRGT, &g.YTOP, &g.YBOT, &g.ETRR, &g.VNRL, &g.VNRR, &g.VNRT, &g.VNRB,
                    &g.VPRL, &g.VPRR, &g.VPRT, &g.VPRB})
      (*f)[r] = 0.0;
    g.TNRR[r] = 1e20;  // lifetimes so long that the region changes nothing
    g.TPRR[r] = 1e20;
  };
  const auto store = [&](int, int item) {
    const std::size_t r = at(item);
    sim::STORPAR(run.params, 0,
                 {&g.XLFT[r], &g.XRGT[r], &g.YTOP[r], &g.YBOT[r], &g.TNRR[r], &g.TPRR[r], &g.ETRR[r],
                  &g.VNRL[r], &g.VNRR[r], &g.VNRT[r], &g.VNRB[r], &g.VPRL[r], &g.VPRR[r], &g.VPRT[r],
                  &g.VPRB[r]});
  };
  g.NRC = read_list(run, reader, k, rules, prepare, store);
}

void read_remesh_list(DeviceRun& run, sim::DeckReader& reader, int k) {
  REMCOM& m = run.remcom;
  const ListRules rules{{kREME}, kRemeshCapacity, "regions"};
  const auto prepare = [&](int, int item) {
    const std::size_t r = at(item);
    m.NXRM[r] = 1;
    m.NYRM[r] = 1;
    for (auto* f : {&m.XLFT, &m.XRGT, &m.YTOP, &m.YBOT}) (*f)[r] = 0.0;
  };
  const auto store = [&](int, int item) {
    const std::size_t r = at(item);
    sim::STORPAR(run.params, 1, {&m.NXRM[r], &m.NYRM[r]});  // slot 1 (COMM) is a comment
    sim::STORPAR(run.params, 3, {&m.XLFT[r], &m.XRGT[r], &m.YTOP[r], &m.YBOT[r]});
  };
  m.NREM = read_list(run, reader, k, rules, prepare, store);
}

}  // namespace devora
