#include "device/deck/store_statements.hpp"

#include "common/statement_table.hpp"
#include "device/deck/tables.hpp"

namespace devora {

namespace {

void store_band(DeviceRun& run) {
  RECOMB& r = run.recomb;
  sim::STORPAR(run.params, 0,
               {&r.TEMP, &r.EG30, &r.EGAL, &r.EGBE, &r.ENC3, &r.ENV3, &r.VOBG, &r.CONB, &r.CNSB});
}

void store_srh(DeviceRun& run) {
  RECOMB& r = run.recomb;
  sim::STORPAR(run.params, 0, {&r.ETRA});
  sim::STORPAR(run.params, 1, {&r.TAUN, &r.NSRN, &r.ANSR, &r.BNSR, &r.CNSR, &r.EN});
  sim::STORPAR(run.params, 7, {&r.TAUP, &r.NSRP, &r.APSR, &r.BPSR, &r.CPSR, &r.EP});
}

void store_auger(DeviceRun& run) {
  sim::STORPAR(run.params, 0, {&run.recomb.AUGN});
  sim::STORPAR(run.params, 1, {&run.recomb.AUGP});
}

void store_surface(DeviceRun& run) {
  RECOMB& r = run.recomb;
  sim::STORPAR(run.params, 0, {&r.VSNL, &r.VSNR, &r.VSNT, &r.VSNB});
  sim::STORPAR(run.params, 4, {&r.VSPL, &r.VSPR, &r.VSPT, &r.VSPB});
}

void store_constant_mobility(DeviceRun& run) {
  sim::STORPAR(run.params, 0, {&run.cumcon.UMN0, &run.cumcon.UMP0});
  run.igrid.MOBMOD = 1;
}

void store_yamaguchi_mobility(DeviceRun& run) {
  CUMN& n = run.cumn;
  CUMP& p = run.cump;
  sim::STORPAR(run.params, 0, {&n.UMN0, &n.SN, &n.RSN, &n.ALN, &n.VSN, &n.GN, &n.VCN});
  sim::STORPAR(run.params, 7, {&p.UMP0, &p.SP, &p.RSP, &p.ALP, &p.VSP, &p.GP, &p.VCP});
  run.igrid.MOBMOD = 2;
}

void store_surface_mobility(DeviceRun& run) {
  MOBKIB& m = run.mobkib;
  sim::STORPAR(run.params, 0,
               {&m.BN, &m.C0N, &m.CPON, &m.UON, &m.UMAN, &m.ULN, &m.CRN, &m.CSN, &m.PCN, &m.ALPN,
                &m.BETN, &m.GAMN, &m.DELN, &m.DEPN, &m.BESN, &m.VSAN});
  sim::STORPAR(run.params, 16,
               {&m.BP, &m.C0P, &m.CPOP, &m.UOP, &m.UMAP, &m.ULP, &m.CRP, &m.CSP, &m.PCP, &m.ALPP,
                &m.BETP, &m.GAMP, &m.DELP, &m.DEPP, &m.BESP, &m.VSAP});
  run.igrid.MOBMOD = 3;
}

void store_bipolar_mobility(DeviceRun& run) {
  MEDMOB& m = run.medmob;
  sim::STORPAR(run.params, 0,
               {&m.UMNM, &m.UMNX, &m.CRFN, &m.ECNM, &m.VSTN, &m.UNN, &m.XIN, &m.ALPN, &m.GSRN,
                &m.BETN});
  sim::STORPAR(run.params, 10,
               {&m.UMPM, &m.UMPX, &m.CRFP, &m.ECPM, &m.VSTP, &m.UNP, &m.XIP, &m.ALPP, &m.GSRP,
                &m.BETP});
  run.igrid.MOBMOD = 4;
}

void store_electron_ionisation(DeviceRun& run) {
  AVLN& a = run.avln;
  sim::STORPAR(run.params, 0,
               {&a.EN0, &a.EN1, &a.EN2, &a.BN0, &a.BN1, &a.BN2, &a.BN3, &a.EP0, &a.EP1, &a.EP2,
                &a.BP0, &a.BP1, &a.BP2, &a.BP3});
}

void store_hole_ionisation(DeviceRun& run) {
  AVLN& a = run.avln;
  sim::STORPAR(run.params, 0, {&a.AN0, &a.AN1, &a.AN2, &a.AN3, &a.AP0, &a.AP1, &a.AP2, &a.AP3});
}

void store_mesh(DeviceRun& run) {
  sim::STORPAR(run.params, 0, {&run.igrid.NX, &run.igrid.NY});
  sim::STORPAR(run.params, 2, {&run.geom.XX, &run.geom.YY, &run.geom.ZZ, &run.geom.HY0});
  sim::STORPAR(run.params, 6, {&run.igrid.MESH});
}

// The COMM text lands in the run-title field, which is rewritten with the
// run header before every use: it has no effect on the run.
void store_solver_controls(DeviceRun& run) {
  COMCTRL& c = run.comctrl;
  sim::STORPAR(run.params, 0, {&run.filenames.title()});
  sim::STORPAR(run.params, 1, {&run.igrid.READ, &c.BATC, &run.itgum.ITMAX});
  sim::STORPAR(run.params, 4, {&c.GRES, &c.GMIN, &c.DGEN, &c.CRBD, &c.RELG, &c.SMTH});
  sim::STORPAR(run.params, 10, {&run.igrid.PRNT, &c.CNTN, &run.igrid.IGRM});
}

void store_model_switches(DeviceRun& run) {
  IGRID& g = run.igrid;
  sim::STORPAR(run.params, 0, {&g.ELHL, &g.HVDO, &g.IMPI, &g.IQM, &g.BBTL});
}

void store_quantum(DeviceRun& run) {
  QUANTUM& q = run.quantum;
  sim::STORPAR(run.params, 0, {&q.QMBE, &q.QMDE, &q.QMPT, &q.QMPE});
}

// Slots 6 and 7 ("4" and "5") are accepted placeholders without effect.
void store_band_to_band(DeviceRun& run) {
  BANDBAND& b = run.bandband;
  sim::STORPAR(run.params, 0, {&b.BBA, &b.BBE, &b.BBAS, &b.BBES, &b.EPHS});
}

void store_doping_file(DeviceRun& run) {
  sim::STORPAR(run.params, 0, {&run.filenames.doping()});
  run.igrid.DOPMOD = 2;
}

// Each text is cut to its field (8, 30 and 19 characters).
void store_header_texts(DeviceRun& run) {
  HDRTEXT& h = run.hdrtext;
  sim::STORPAR(run.params, 0, {&h.METH, &h.PROJ, &h.TIME});
}

}  // namespace

void read_statement_list(DeviceRun& run, sim::DeckReader& reader, int k) {
  run.params.begin_statement(run.table.keywords[static_cast<std::size_t>(k - 1)],
                             run.table.slice_names(k), run.table.slice_kinds(k));
  sim::RDPARM(reader, run.params);
}

void run_store_statement(DeviceRun& run, sim::DeckReader& reader, int k) {
  void (*store)(DeviceRun&) = [](DeviceRun&) {};
  switch (k) {
    case kBAND: store = store_band; break;
    case kPERM:
      store = [](DeviceRun& r) { sim::STORPAR(r.params, 0, {&r.scale.EPSD, &r.scale.EPSS}); };
      break;
    case kWORK:
      store = [](DeviceRun& r) { sim::STORPAR(r.params, 0, {&r.comcon.FIM, &r.comcon.FIS}); };
      break;
    case kSRH: store = store_srh; break;
    case kAUGE: store = store_auger; break;
    case kSURF: store = store_surface; break;
    case kCONM: store = store_constant_mobility; break;
    case kYAMA: store = store_yamaguchi_mobility; break;
    case kLOMB: store = store_surface_mobility; break;
    case kIONE: store = store_electron_ionisation; break;
    case kIONP: store = store_hole_ionisation; break;
    case kDOPN: store = store_doping_file; break;
    case kMESH: store = store_mesh; break;
    case kSOLV: store = store_solver_controls; break;
    case kMODE: store = store_model_switches; break;
    case kBIPO: store = store_bipolar_mobility; break;
    case kRADI: store = [](DeviceRun& r) { sim::STORPAR(r.params, 0, {&r.recomb.RATE}); }; break;
    case kQNTM: store = store_quantum; break;
    case kBBTL: store = store_band_to_band; break;
    case kCOMM: store = store_header_texts; break;
    case kPARA: break;  // its list is read; the value has no destination
    default: break;     // list statements have branches of their own
  }
  read_statement_list(run, reader, k);
  store(run);
}

}  // namespace devora
