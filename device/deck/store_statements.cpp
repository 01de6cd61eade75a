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

// SRH: ETRA; TAUN NSRN ANSR BNSR CNSR EN; TAUP NSRP APSR BPSR CPSR EP.
void store_srh(DeviceRun& run) {
  sim::STORPAR(run.params, 0, {&run.recomb.ETRA});
  int slot = 1;
  for (CarrierRecombination* c : {&run.recomb.carrier.n, &run.recomb.carrier.p}) {
    sim::STORPAR(run.params, slot, {&c->TAU, &c->NSR, &c->ASR, &c->BSR, &c->CSR, &c->EXPO});
    slot += 6;
  }
}

// AUGE: AUGN; AUGP.
void store_auger(DeviceRun& run) {
  sim::STORPAR(run.params, 0, {&run.recomb.carrier.n.AUG});
  sim::STORPAR(run.params, 1, {&run.recomb.carrier.p.AUG});
}

// SURF: VSNL VSNR VSNT VSNB; VSPL VSPR VSPT VSPB.
void store_surface(DeviceRun& run) {
  int slot = 0;
  for (CarrierRecombination* c : {&run.recomb.carrier.n, &run.recomb.carrier.p}) {
    sim::STORPAR(run.params, slot, {&c->VSL, &c->VSR, &c->VST, &c->VSB});
    slot += 4;
  }
}

// CONM: UMN0 UMP0.
void store_constant_mobility(DeviceRun& run) {
  sim::STORPAR(run.params, 0, {&run.cumcon.UM0.n, &run.cumcon.UM0.p});
  run.igrid.MOBMOD = 1;
}

// YAMA: UMN0 SN RSN ALN VSN GN VCN; UMP0 SP RSP ALP VSP GP VCP.
void store_yamaguchi_mobility(DeviceRun& run) {
  int slot = 0;
  for (YamaguchiSet* m : {static_cast<YamaguchiSet*>(&run.cumn), static_cast<YamaguchiSet*>(&run.cump)}) {
    sim::STORPAR(run.params, slot, {&m->U0, &m->S, &m->RS, &m->AL, &m->VS, &m->G, &m->VC});
    slot += 7;
  }
  run.igrid.MOBMOD = 2;
}

// LOMB: BN C0N CPON UON UMAN ULN CRN CSN PCN ALPN BETN GAMN DELN DEPN BESN
// VSAN, then the same 16 for holes.
void store_surface_mobility(DeviceRun& run) {
  int slot = 0;
  for (LombardiSet* m : {&run.mobkib.n, &run.mobkib.p}) {
    sim::STORPAR(run.params, slot,
                 {&m->B, &m->C0, &m->CPO, &m->U0, &m->UMA, &m->UL, &m->CR, &m->CS, &m->PC, &m->ALP,
                  &m->BET, &m->GAM, &m->DEL, &m->DEP, &m->BES, &m->VSA});
    slot += 16;
  }
  run.igrid.MOBMOD = 3;
}

// BIPO: UMNM UMNX CRFN ECNM VSTN UNN XIN ALPN GSRN BETN, then the holes' 10.
void store_bipolar_mobility(DeviceRun& run) {
  int slot = 0;
  for (BipolarSet* m : {&run.medmob.n, &run.medmob.p}) {
    sim::STORPAR(run.params, slot,
                 {&m->UMIN, &m->UMAX, &m->CRF, &m->EC, &m->VST, &m->UN, &m->XI, &m->ALP, &m->GSR,
                  &m->BET});
    slot += 10;
  }
  run.igrid.MOBMOD = 4;
}

// IONE: EN0 EN1 EN2 BN0 BN1 BN2 BN3, then EP0 ... BP3.
void store_ionisation_fields(DeviceRun& run) {
  int slot = 0;
  for (IonisationSet* a : {&run.avln.n, &run.avln.p}) {
    sim::STORPAR(run.params, slot, {&a->E0, &a->E1, &a->E2, &a->B0, &a->B1, &a->B2, &a->B3});
    slot += 7;
  }
}

// IONP: AN0 AN1 AN2 AN3, then AP0 ... AP3.
void store_ionisation_prefactors(DeviceRun& run) {
  int slot = 0;
  for (IonisationSet* a : {&run.avln.n, &run.avln.p}) {
    sim::STORPAR(run.params, slot, {&a->A0, &a->A1, &a->A2, &a->A3});
    slot += 4;
  }
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
    case kIONE: store = store_ionisation_fields; break;
    case kIONP: store = store_ionisation_prefactors; break;
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
