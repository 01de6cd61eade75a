#pragma once
// Named global blocks of the device simulator. Each member initialiser is the
// block's built-in value; deck statements overwrite the fields they give.
// Constants written as static_cast<double>(x.xf) are the 4-byte reals the
// models were calibrated with, widened to 8 bytes (4.35f is 4.349999904632568).
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/fixed_text.hpp"
#include "common/run_header.hpp"

namespace devora {

// Integer controls and model switches.
struct IGRID {
  int NNODE = 0;     // node count NX*NY, set after the deck
  int NX = 4;        // mesh lines along x
  int NY = 30;       // mesh lines along y
  int READ = 0;      // 1: skip reading and generating the mesh
  int MESH = 2;      // 1 reads the mesh file, other values generate it
  int MOBMOD = 3;    // mobility model: 1 CONM, 2 YAMA, 3 LOMB, 4 BIPO
  int unused7 = 0;
  int PRNT = 0;      // solver print control
  int HVDO = 1;      // band-gap narrowing
  int IMPI = 0;      // impact ionisation
  int unused11 = 0;
  int ELHL = 0;
  int DOPMOD = 1;    // doping source: 1 analytic boxes, 2 doping file
  int IQM = 0;       // quantum correction
  int BBTL = 0;      // band-to-band tunnelling
  int MAXPOI = 1000; // iteration limit of the linear solves
  int IGRM = 10;     // regridding passes
};

// Device width, depth, third dimension and first y step: microns as read,
// internal lengths once the deck values are scaled.
struct GEOM {
  double XX = 1.0;
  double YY = 1.0;
  double ZZ = 1.0;
  double HY0 = 0.003;
};

// Physical constants and the scales of the internal units. The deck sets
// only the permittivities; the material set-up computes the scales.
struct SCALE {
  double NI = 1.45e10;      // intrinsic density scale, cm-3
  double VT = 0.025851;     // thermal voltage, V
  double Q = 1.602e-19;     // elementary charge, C
  double EPS0 = 8.854e-12;  // vacuum permittivity, F/m
  double EPSD = 3.9;        // insulator relative permittivity
  double EPSS = 11.8;       // semiconductor relative permittivity
  double LD = 0.0;          // intrinsic Debye length, cm
  double LDUM = 0.0;        // LD in microns
  double LD2 = 0.0;         // LD squared; also the time scale in seconds
  double E0 = 0.0;          // field scale VT/LD, V/cm
  double I0 = 0.0;          // terminal-current scale
  double QS0 = 0.0;         // surface-charge scale, cm-2
  double G0 = 0.0;          // generation-rate scale, cm-3 s-1
  double J0 = 0.0;          // current-density scale
  double HPL = 6.63e-34;    // Planck constant
  double CLIGHT = 2.998e8;  // speed of light, m/s
};

// Work functions of the gate metal and the semiconductor, in volts as read;
// EG and PHI0 are computed by the material set-up.
struct COMCON {
  double FIM = static_cast<double>(4.35f);
  double FIS = static_cast<double>(4.17f);
  double EG = 0.0;    // band gap in thermal voltages
  double PHI0 = 0.0;  // semiconductor reference level
};

// Carrier index of the per-carrier models: K = 1 electrons, K = 2 holes.
enum class Carrier { electrons = 1, holes = 2 };

// One parameter set per carrier. The models take the set of their carrier,
// so each is written once.
template <class T>
struct PerCarrier {
  T n;  // electrons
  T p;  // holes
  T& operator[](Carrier k) { return k == Carrier::holes ? p : n; }
  const T& operator[](Carrier k) const { return k == Carrier::holes ? p : n; }
};

// Recombination parameters of one carrier: Auger coefficient, the
// doping-dependent SRH lifetime TAU/(ASR + BSR*(N/NSR) + CSR*(N/NSR)^EXPO),
// and the surface recombination velocities at the left, right, top and
// bottom device boundaries.
struct CarrierRecombination {
  double AUG;
  double TAU, NSR, ASR, BSR, CSR, EXPO;
  double VSL, VSR, VST, VSB;
};

// Band and recombination parameters.
struct RECOMB {
  // Band gap and densities of states (BAND).
  double TEMP = 300.0, EG30 = 1.08, EGAL = 4.73e-4, EGBE = 636.0, ENC3 = 2.8e19, ENV3 = 1.04e19,
         VOBG = 0.009, CONB = 1e17, CNSB = 0.5;
  double ETRA = 0.0;  // trap level (SRH)
  PerCarrier<CarrierRecombination> carrier = {
      {2.8e-31, 1e-7, 5e16, 1.0, 1.0, 0.0, 2.0, 1e-20, 1e-20, 1e-20, 1e-20},
      {9.9e-32, 1e-7, 5e16, 1.0, 1.0, 0.0, 2.0, 1e-20, 1e-20, 1e-20, 1e-20}};
  double RATE = 1e-14;  // radiative recombination (RADI)
};

// Quantum correction: the exponents are the decimals as written, not thirds.
struct QUANTUM {
  double QMBE = 4.1e-8;
  double QMDE = 0.025;
  double QMPT = -0.3333;
  double QMPE = 0.6666;
};

// Gummel iteration: residual, counter and limit.
struct ITGUM {
  double RES = 0.01;
  int IT = 0;
  int ITMAX = 1000;
};

// Answer to the avalanche-breakdown question; "N" in batch runs.
struct COMPLT {
  char ANSWER = 'Y';
};

// I-V bookkeeping: the running point number and the total point count.
struct COMUIT {
  int IVCNT = 1;   // last recorded I-V point
  int unused2 = 0;
  int unused3 = 0;
  int NPTOT = 0;   // total number of I-V points of all curves (IVDA)
};

// Solver controls.
struct COMCTRL {
  double GRES = 0.01;  // Gummel tolerance factor
  int BATC = 0;        // 1 batch run, 2 solution file after every iteration
  int GSTAT = 0;       // status of the last Gummel iteration
  double GMIN = 1e12;  // generation floor, cm-3 s-1
  double DGEN = 0.001; // limit of the relative generation change
  double CRBD = 0.1;   // avalanche-breakdown current threshold
  double RELG = 1.0;
  double SMTH = 4.0;   // regridding smoothing
  int CNTN = 0;        // bias-sweep continuation
};

// Constant mobilities (CONM): UMN0 and UMP0.
struct CUMCON {
  PerCarrier<double> UM0 = {1000.0, 500.0};
};

// Field- and doping-dependent mobility (YAMA) of one carrier:
// mu_s = U0/sqrt((1 + N/(N/S + RS))(1 + AL E_perp)), saturating with VS, VC and G.
struct YamaguchiSet {
  double U0, S, RS, AL, VS, G, VC;
};
// Electrons (YAMA 1-7: UMN0 SN RSN ALN VSN GN VCN).
struct CUMN : YamaguchiSet {
  CUMN() : YamaguchiSet{1400.0, 350.0, 3e16, 1.54e-5, 1.036e7, static_cast<double>(8.8f), 4.9e6} {}
};
// Holes (YAMA 8-14: UMP0 SP RSP ALP VSP GP VCP).
struct CUMP : YamaguchiSet {
  CUMP() : YamaguchiSet{480.0, 81.0, 4e16, 5.35e-5, 1.2e7, static_cast<double>(1.6f), 2.928e6} {}
};

// Surface mobility model (LOMB) of one carrier: acoustic-phonon (B, C0,
// CPO), bulk (U0, UMA, UL, CR, CS, PC, ALP, BET, GAM), surface-roughness
// (DEL, DEP) and saturation (BES, VSA) parameters.
struct LombardiSet {
  double B, C0, CPO, U0, UMA, UL, CR, CS, PC, ALP, BET, GAM, DEL, DEP, BES, VSA;
};
struct MOBKIB : PerCarrier<LombardiSet> {
  MOBKIB()
      : PerCarrier{{4.75e7, 1.74e5, 0.125, 52.2, 1417.0, 43.4, 9.68e16, 3.43e20, 0.0, 0.68, 2.0, 2.5,
                    5.82e14, 2.0, 2.0, 1.065e7},
                   {9.93e7, 8.84e5, 0.0317, 44.9, 470.5, 29.0, 2.23e17, 6.1e20, 9.23e16, 0.719, 2.0,
                    2.2, 2.05e14, 2.0, 1.0, 1.065e7}} {}
};

// Bipolar mobility model (BIPO) of one carrier: doping dependence between
// UMIN and UMAX (CRF, ALP, temperature exponents UN and XI), transverse
// field EC, saturation VST with exponent BET, scale factor GSR.
struct BipolarSet {
  double UMIN, UMAX, CRF, EC, VST, UN, XI, ALP, GSR, BET;
};
struct MEDMOB : PerCarrier<BipolarSet> {
  MEDMOB()
      : PerCarrier{{55.24, 1429.23, 1.072e17, 6.49e4, 1.065e7, -2.3, -3.8, 0.733, 1.0, 2.0},
                   {49.705, 479.37, 1.606e17, 1.87e4, 1.065e7, -2.2, -3.7, 0.7, 1.0, 1.0}} {}
};

// Band-to-band tunnelling (BBTL); the last three fields are derived by the
// material set-up.
struct BANDBAND {
  double BBA = 3.5e21, BBE = 2.25e7, BBAS = 9e20, BBES = 2.1e7, EPHS = 0.0186;
  double BBP = 0.0;  // BBES*(EG + EPHS)^1.5
  double BBM = 0.0;  // BBES*(EG - EPHS)^1.5
  double FPH = 0.0;  // exp(EPHS)
};

// Impact ionisation of one carrier: the coefficient pairs (A0..A3, B0..B3)
// of the four field ranges split at E0, E1, E2.
struct IonisationSet {
  double A0, A1, A2, A3;  // prefactors (IONP)
  double E0, E1, E2;      // range breakpoints (IONE)
  double B0, B1, B2, B3;  // critical fields (IONE)
};
struct AVLN : PerCarrier<IonisationSet> {
  AVLN()
      : PerCarrier{{0.0, 7e5, 7e5, 7e5, 0.0, 4e5, 6e5, 0.0, 1.4e6, 1.4e6, 1.4e6},
                   {0.0, 1.3e6, 4.4e5, 4.4e5, 0.0, 6.07e5, 6.07e5, 0.0, 2.09e6, 1.4e6, 1.4e6}} {}
};

// File names, blank padded to 80 characters.
struct FILENAMES {
  std::array<std::string, 7> name = {
      sim::fixed("", 80), sim::fixed("MOS.MRG", 80), sim::fixed("", 80), sim::fixed("", 80),
      sim::fixed("", 80), sim::fixed("", 80),        sim::fixed("", 80)};
  std::string& solution() { return name[0]; }  // base + ".3D"
  std::string& doping() { return name[1]; }    // DOPN FILE
  std::string& iv_table() { return name[2]; }  // base + ".2D"
  std::string& base() { return name[3]; }      // deck name before its last "."
  std::string& mesh() { return name[4]; }      // base + ".MSS"
  std::string& title() { return name[6]; }     // run title (SOLV COMM until the first write)
  const std::string& solution() const { return name[0]; }
  const std::string& iv_table() const { return name[2]; }
  const std::string& doping() const { return name[1]; }
};

// Texts of the run header (COMM); zero bytes until a COMM statement sets them.
using HDRTEXT = sim::RunHeaderTexts;

// Outlines of the electrodes and oxide regions, in microns, as the solution
// file carries them: electrodes first (in electrode order), then the oxide
// regions (in statement order).
inline constexpr int kOutlineCapacity = 20;
struct REGOUT {
  struct Point {
    double x = 0.0;
    double y = 0.0;
  };
  int NREG = 0;                                                // outlines in use
  std::array<std::array<Point, 4>, kOutlineCapacity> REGPTS{};  // four corners each
  std::array<int, kOutlineCapacity> REGNPT{};                  // points per outline (4)
  std::array<int, kOutlineCapacity> REGKND{};                  // outline kind (1)
};

// ---------------------------------------------------------------------------
// Tables built by the list statements.

inline constexpr int kListCapacity = 40;         // items of a buffered list
inline constexpr int kLightSourceCapacity = 11;  // light sources (LSRC)
inline constexpr int kOxideCapacity = 100;       // oxide regions (OXID)
inline constexpr int kRecombRegionCapacity = 100;  // recombination regions (RCMR)
inline constexpr int kRemeshCapacity = 20;       // regridding regions (REME)
inline constexpr int kMaxElectrodes = 20;        // electrodes an I-V curve can drive
inline constexpr int kElectrodeNameWidth = 20;

// Window and shape of one box, as the profile mapping takes it.
struct BoxShape {
  int IWEL;                      // 1 box, 2 linear, 3 exponential, 4 erfc fall-off; < 0 tabulated
  double XLFT, XRGT, YTOP, YBOT;  // window
  double ALX, ALY;               // fall-off widths
  double EXPX, EXPY;             // exponents of the exponential fall-off
};

// Window and shape of one analytic box, shared by doping and generation boxes.
struct BoxFields {
  std::vector<double> XLFT, XRGT, YTOP, YBOT;  // window
  std::vector<double> ALX, ALY;                // lateral and vertical decay lengths
  std::vector<std::string> DFIL;               // profile file of a tabulated box
  std::vector<int> IWEL;                       // profile shape; negative: tabulated
  std::vector<double> EXPX, EXPY;              // shape exponents
  bool allocated = false;                      // a list can stand once in a deck

  BoxShape shape(std::size_t i) const {
    return {IWEL[i], XLFT[i], XRGT[i], YTOP[i], YBOT[i], ALX[i], ALY[i], EXPX[i], EXPY[i]};
  }
};

// Doping boxes (DOPA and DOPF items).
struct DOPBOX : BoxFields {
  int NDOP = 0;
  std::vector<double> DOP;
};

// Photogeneration boxes (PHOT and PHOF items).
struct PHOBOX : BoxFields {
  int NPHO = 0;
  std::vector<double> RATE;
};

// Electrode types, from the keyword of the item.
enum ElectrodeType : int { kOhmic = 1, kSchottky = 2, kGate = 3 };

// Electrodes (OHMI, SCHO and GATE items), one row per electrode.
struct ELECTAB {
  int NEL = 0;
  std::vector<std::string> NAME;  // 20 characters
  std::vector<int> TYPE;          // 1 ohmic, 2 Schottky, 3 gate
  std::vector<int> NUM;           // electrode number used by IVDA
  std::vector<int> LOC;           // 2 bottom surface, else top surface
  std::vector<double> XLT, XRT;   // lateral extent
  std::vector<double> TOX, XQS, AQS, QSH, QSG;  // gate oxide and interface charges
  std::vector<double> VSN, VSP;   // surface recombination velocities
  std::vector<double> FIM;        // gate work function (Schottky: barrier FIB)
  // Working arrays filled by the solution stages.
  std::vector<double> VCON, DV, CURN, CURP, CURT, VOLD, VCUR, COX;
  std::vector<int> EFIRST, ELAST;  // first and last mesh column covered (1-based; 0 none yet)
  // Column labels of the I-V table file.
  std::vector<std::string> VLAB, ILAB;  // 2 characters per electrode
  std::vector<std::string> RLAB;        // 3 characters per electrode
  std::vector<std::string> GLAB;        // 3 characters, NEL x NEL: (i-1)*NEL + j
  int MAXNUM = 0;                       // largest electrode number
  std::vector<int> ELIDX;               // row (1-based) of number 1..MAXNUM, 0 if none
  bool allocated = false;

  // Index (0-based) of the electrode with number `num`; none when no
  // electrode has that number.
  std::optional<std::size_t> index_of_number(int num) const {
    if (num < 1 || num > MAXNUM) return std::nullopt;
    const int row = ELIDX[static_cast<std::size_t>(num - 1)];
    if (row < 1 || row > NEL) return std::nullopt;
    return static_cast<std::size_t>(row - 1);
  }

  // Mesh columns (0-based, first..last inclusive) that electrode e covers;
  // none while the mesh has placed no column under it.
  struct Columns {
    std::size_t first, last;
  };
  std::optional<Columns> columns(std::size_t e) const {
    if (EFIRST[e] < 1 || ELAST[e] < EFIRST[e]) return std::nullopt;
    return Columns{static_cast<std::size_t>(EFIRST[e] - 1), static_cast<std::size_t>(ELAST[e] - 1)};
  }
};

// I-V curves (IVDA items); their count is DeviceRun::NCURV.
struct CURVTAB {
  std::vector<std::string> TEXT;  // 80 characters
  std::vector<int> IRAMP;         // ELECTAB row (1-based) of the ramped electrode
  std::vector<int> NPNT;          // points of the curve
  std::vector<double> VSTE;       // voltage step
  std::vector<double> VSTART;     // NEL start voltages per curve, in electrode order
  int NEL = 0;                    // electrodes per curve row of VSTART
  bool allocated = false;

  // Electrode (0-based) that curve c (0-based) ramps.
  std::size_t ramped_electrode(std::size_t c) const { return static_cast<std::size_t>(IRAMP[c] - 1); }
  // Start voltage of electrode e on curve c (both 0-based).
  double& start_voltage(std::size_t c, std::size_t e) { return VSTART[c * static_cast<std::size_t>(NEL) + e]; }
  double start_voltage(std::size_t c, std::size_t e) const {
    return VSTART[c * static_cast<std::size_t>(NEL) + e];
  }
};

// Results of the bias sweeps, one entry per recorded I-V point of all
// curves: per point (3 NEL + 2) reals, the electrode voltages (V), the
// electrode currents, the transconductances towards the next point, the
// mean ramped voltage of the point pair and the differential resistance;
// and 3 integers, of which the third is the Gummel status of the point.
struct IvResults {
  static constexpr int kStatusPerPoint = 3;
  int NEL = 0;
  std::vector<double> IVRES;
  std::vector<int> IVSTAT;

  std::size_t reals_per_point() const { return 3 * static_cast<std::size_t>(NEL) + 2; }
  std::size_t points() const { return NEL > 0 ? IVRES.size() / reals_per_point() : 0; }
  // Room for n points, the new ones zero.
  void ensure_points(std::size_t n) {
    if (points() >= n) return;
    IVRES.resize(n * reals_per_point(), 0.0);
    IVSTAT.resize(n * kStatusPerPoint, 0);
  }
  // Point e and electrode k are 0-based.
  double& voltage(std::size_t e, std::size_t k) { return IVRES[at(e, k)]; }
  double& current(std::size_t e, std::size_t k) { return IVRES[at(e, nel() + k)]; }
  double& transconductance(std::size_t e, std::size_t k) { return IVRES[at(e, 2 * nel() + k)]; }
  double& mean_ramp_voltage(std::size_t e) { return IVRES[at(e, 3 * nel())]; }
  double& resistance(std::size_t e) { return IVRES[at(e, 3 * nel() + 1)]; }
  int& gummel_status(std::size_t e) { return IVSTAT[e * kStatusPerPoint + 2]; }
  double voltage(std::size_t e, std::size_t k) const { return IVRES[at(e, k)]; }
  double current(std::size_t e, std::size_t k) const { return IVRES[at(e, nel() + k)]; }
  double transconductance(std::size_t e, std::size_t k) const { return IVRES[at(e, 2 * nel() + k)]; }
  double mean_ramp_voltage(std::size_t e) const { return IVRES[at(e, 3 * nel())]; }
  double resistance(std::size_t e) const { return IVRES[at(e, 3 * nel() + 1)]; }
  int gummel_status(std::size_t e) const { return IVSTAT[e * kStatusPerPoint + 2]; }

 private:
  std::size_t nel() const { return static_cast<std::size_t>(NEL); }
  std::size_t at(std::size_t e, std::size_t position) const { return e * reals_per_point() + position; }
};

// Light sources (LSRC items) and their spectra.
struct LSRCTAB {
  int NLSRC = 0;
  std::vector<std::string> SFIL;  // spectrum file, 80 characters
  std::vector<int> NSPC;          // spectral lines counted in the file
  std::vector<int> ITLT;          // direction of incidence
  std::vector<double> XLFT, XRGT, YTOP, YBOT, FLUX, TRAN, REFL, TRFL;
  std::vector<double> spectral_lines;       // 6 reals per spectral line, all sources in order
  std::vector<double> GENW;       // generation work table, NLSRC x NY
  bool allocated = false;
};

// Oxide regions (OXID), every field an array over the regions.
struct OXIDE {
  template <class T>
  using PerRegion = std::array<T, kOxideCapacity>;
  int NOXR = 0;
  PerRegion<double> PMOX{};
  PerRegion<double> XLFT{}, XRGT{}, YTOP{}, YBOT{};
  PerRegion<double> QOXL{}, QOXR{}, QOXT{}, QOXB{};
  PerRegion<double> VNOL{}, VNOR{}, VNOT{}, VNOB{};
  PerRegion<double> VPOL{}, VPOR{}, VPOT{}, VPOB{};
  PerRegion<int> NXOX{}, NYOX{};
};

// Recombination regions (RCMR).
struct RCMRG {
  template <class T>
  using PerRegion = std::array<T, kRecombRegionCapacity>;
  int NRC = 0;
  PerRegion<double> XLFT{}, XRGT{}, YTOP{}, YBOT{};
  PerRegion<double> TNRR{}, TPRR{}, ETRR{};
  PerRegion<double> VNRL{}, VNRR{}, VNRT{}, VNRB{};
  PerRegion<double> VPRL{}, VPRR{}, VPRT{}, VPRB{};
};

// Regridding regions (REME).
struct REMCOM {
  template <class T>
  using PerRegion = std::array<T, kRemeshCapacity>;
  int NREM = 0;
  PerRegion<int> NXRM{}, NYRM{};
  PerRegion<double> XLFT{}, XRGT{}, YTOP{}, YBOT{};
};

}  // namespace devora
